#include "dfreader/form_state.h"

#include "platform/paths.h"
#include "platform/profile.h"

namespace tester {
namespace {

constexpr const char* kLastSection = "Last";
constexpr const char* kTargetKey = "DevVer";
constexpr const char* kBoxSection = "1";
constexpr const char* kBoxKey = "1";
// A target text and a path fit easily; longer values are cut rather than refused.
constexpr std::size_t kMaxTargetChars = 255;
constexpr std::size_t kMaxPathChars = 4096;

}  // namespace

std::string ReaderStateFile(const std::string& program_folder) {
  return JoinProgramPath(program_folder, std::string(kReaderProgramName) + ".ini");
}

void LoadFormState(const std::string& state_file, ReaderForm& form) {
  form.SetCurrentTarget(profile::ReadString(state_file, kLastSection, kTargetKey,
                                            kDefaultReaderTarget, kMaxTargetChars));
  form.SetImageFile(
      profile::ReadString(state_file, kBoxSection, kBoxKey, kDefaultImageBox, kMaxPathChars));
}

bool SaveFormState(const std::string& state_file, const ReaderForm& form) {
  bool ok = true;
  if (!form.CurrentTarget().empty()) {
    ok = profile::WriteString(state_file, kLastSection, kTargetKey, form.CurrentTarget());
  }
  return profile::WriteString(state_file, kBoxSection, kBoxKey, form.ImageFile()) && ok;
}

}  // namespace tester
