#include "dfreader/image_file_name.h"

#include <filesystem>
#include <system_error>

#include "common/messages.h"
#include "gauge/image_file.h"
#include "platform/paths.h"

namespace tester {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

void CollapseSeparators(std::string& path) {
  for (std::size_t at = path.find("//"); at != std::string::npos; at = path.find("//", at)) {
    path.erase(at, 1);
  }
}

bool FolderExists(const std::string& folder) {
  std::error_code ec;
  return std::filesystem::is_directory(folder, ec);
}

}  // namespace

std::string GetImageFileName(ReaderForm& form, OperatorDialogs& dialogs,
                             const std::string& target, const std::string& current_folder) {
  if (form.ImageFile().empty()) {
    const std::optional<std::string> answer =
        dialogs.AskText(LoadMessage(kMsgAskImageFileName), LoadMessage(kMsgImageReaderTitle),
                        DefaultImageFileName(target));
    if (answer) form.SetImageFile(*answer);
  }
  std::string path = NativePath(Trimmed(form.ImageFile()));
  if (path.empty()) return {};
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    path = current_folder + "/" + path;
    CollapseSeparators(path);
    return path;
  }
  const std::string folder = path.substr(0, slash + 1);
  if (!FolderExists(folder)) {
    dialogs.ShowMessage(LoadMessage(kMsgPathMissing) + folder);
    return {};
  }
  return path;
}

}  // namespace tester
