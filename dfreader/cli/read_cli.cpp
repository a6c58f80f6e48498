#include "dfreader/cli/read_cli.h"

#include "dfreader/image_reader.h"
#include "engine/cli/exit_codes.h"
#include "platform/headless_dialogs.h"

namespace tester {
namespace {

// The console has no list to choose from: the target comes with --target.
class NoChooser final : public TargetChooser {
public:
  explicit NoChooser(std::ostream& err) : err_(err) {}
  std::string ChooseTarget() override {
    err_ << kReaderTitle << ": no target chosen; name one with --target\n";
    return {};
  }

private:
  std::ostream& err_;
};

std::string OneLine(std::string text) {
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
    text.replace(at, 1, " / ");
  }
  return text;
}

}  // namespace

int RunReadVerb(EventPump& pump, GaugeControl& control, const std::string& program_folder,
                const std::string& current_folder, const ReadVerbArgs& args, std::ostream& out,
                std::ostream& err) {
  HeadlessDialogs dialogs(err, kReaderTitle, args.yes);
  NoChooser chooser(err);
  ImageReader reader({pump, control, dialogs, chooser, program_folder, current_folder});
  std::string shown;
  reader.Form().SetObserver([&] {
    if (reader.Form().Status() == shown) return;
    shown = reader.Form().Status();
    if (!shown.empty()) err << "status: " << OneLine(shown) << "\n";
  });
  if (reader.Load() != ImageReader::LinkOutcome::kOpened) {
    reader.Unload(false);
    return kExitCannotStart;
  }
  if (!args.target.empty()) reader.Form().SetCurrentTarget(args.target);
  reader.Form().EditImageFile(args.out);
  const bool ok = reader.ReadDFImage();
  reader.Unload(false);
  if (!ok) return kExitGaugeFailed;
  out << reader.LastImage() << "\n";
  return kExitOk;
}

}  // namespace tester
