#include "dfreader/image_reader.h"

#include <filesystem>
#include <system_error>

#include "common/messages.h"
#include "dfreader/form_state.h"
#include "dfreader/image_file_name.h"
#include "dfreader/image_writers.h"
#include "dfreader/permanent_failure.h"
#include "dfreader/target_detection.h"
#include "gauge/rom_mode.h"

namespace tester {
namespace {

bool IsSwitchedLoader(const StationSettings& s) {
  return s.COMMANDSET == kCommandSetSwitchedLoader;
}

bool NonEmptyFileExists(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const auto size = std::filesystem::file_size(path, ec);
  return !ec && size > 0;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n" + line;
  return text;
}

}  // namespace

ImageReader::ImageReader(ReaderEnvironment environment)
    : env_(std::move(environment)), link_(env_.pump, settings_, LinkVariant::ImageReader) {}

ImageReader::~ImageReader() { link_.ReleaseGaugeControl(); }

ImageReader::LinkOutcome ImageReader::Load() {
  link_.BindGaugeControl(&env_.control);
  int32_t count = 0;
  FirstListedAdapter(env_.control, count);
  if (count >= 2) {
    form_.SetStatus(kStatusTooManyAdapters);
    env_.dialogs.ShowMessage(kOnlyOneAdapterMessage);
    return LinkOutcome::kTooManyAdapters;
  }
  LinkOutcome outcome = LinkOutcome::kOpened;
  if (link_.OpenFirstAdapter() != kTrue) {
    form_.SetStatus(kStatusNoLink);
    env_.dialogs.ShowMessage(LoadMessage(kMsgAdapterNotFound));
    outcome = LinkOutcome::kNoAdapter;
  }
  LoadFormState(ReaderStateFile(env_.program_folder), form_);
  state_loaded_ = true;
  ShowTarget(form_.CurrentTarget());
  return outcome;
}

bool ImageReader::Unload(bool save_state) {
  link_.ReleaseGaugeControl();
  if (!save_state || !state_loaded_) return true;
  return SaveFormState(ReaderStateFile(env_.program_folder), form_);
}

void ImageReader::ShowTarget(const std::string& target) {
  targets_.Load(env_.program_folder);
  const std::string description = targets_.TargetNameDesc(target);
  form_.SetTargetDescription(description.empty() ? target : description);
}

void ImageReader::Browse() {
  const std::optional<std::string> chosen = env_.dialogs.AskSaveFile(
      kSaveDialogTitle, kSaveDialogFilter, kSaveDialogExtension, form_.ImageFile());
  if (chosen) form_.ConfirmImageFile(*chosen);
}

void ImageReader::SetTarget() {
  const std::string chosen = env_.chooser.ChooseTarget();
  if (chosen.empty()) return;
  form_.SetCurrentTarget(chosen);
  ShowTarget(chosen);
}

std::string ImageReader::AutoDetect() {
  LoadStationSettings(settings_, env_.program_folder, form_.CurrentTarget());
  const std::string found = AutoDetectTarget(link_, env_.dialogs);
  if (!found.empty()) ShowTarget(found);
  return found;
}

void ImageReader::About() { link_.Control().AboutBox(); }

bool ImageReader::ReadDFImage() {
  if (busy_) return false;
  busy_ = true;
  const bool ok = RunRead();
  busy_ = false;
  return ok;
}

bool ImageReader::Fail() {
  if (IsSwitchedLoader(settings_)) link_.SelectBusMode(kBusModeSmbus);
  form_.SetStatus(kStatusReadFailed);
  env_.dialogs.ShowMessage(LoadMessage(kMsgDfReadError));
  return false;
}

bool ImageReader::RunRead() {
  last_image_.clear();
  LoadStationSettings(settings_, env_.program_folder, form_.CurrentTarget());
  form_.SetStatus(kStatusCommunicating);
  const std::string target = DetectsThroughRegisters(form_.CurrentTarget())
                                 ? AutoDetectTargetI2C(link_, env_.dialogs)
                                 : AutoDetectTarget(link_, env_.dialogs);
  if (target.empty()) return Fail();
  ShowTarget(target);
  form_.SetCurrentTarget(target);
  if (!CheckSupported(target)) return Fail();
  LoadStationSettings(settings_, env_.program_folder, target);
  if (!CheckUsable(target)) return Fail();

  form_.SetStatus(kStatusWaitingForInput);
  const std::string path =
      GetImageFileName(form_, env_.dialogs, target, env_.current_folder);
  if (path.empty()) {
    env_.dialogs.ShowMessage(LoadMessage(kMsgBadFileName));
    return Fail();
  }
  if (!ConfirmOverwrite(path)) return Fail();
  if (!EnterRom() || !ReadImage(path) || !LeaveRom()) return Fail();

  last_image_ = path;
  form_.SetStatus(path + "\n" + kStatusCreated);
  env_.dialogs.ShowMessage(LoadMessage(kMsgImageCreated));
  return true;
}

bool ImageReader::CheckSupported(const std::string& target) {
  targets_.Load(env_.program_folder);
  if (targets_.IsSupportedTarget(target)) return true;
  env_.dialogs.ShowMessage(LoadMessage(kMsgUnsupportedTarget));
  env_.dialogs.ShowMessage(LoadMessage(kMsgChooseTarget));
  SetTarget();
  return false;
}

// Settings Config.ini could not give (a value that is no number) would read an image of a
// geometry nobody chose; the gauge must be readable and not in permanent failure.
bool ImageReader::CheckUsable(const std::string& target) {
  if (!settings_.errors.empty()) {
    env_.dialogs.ShowMessage("Config.ini values that cannot be read:" + Joined(settings_.errors));
    return false;
  }
  if (UsesRegisterLoader(settings_.COMMANDSET)) return true;
  const PermanentFailureCheck check = CheckPermanentFailure(link_, target, settings_.UseKFactor);
  if (check.read_status != 0) {
    env_.dialogs.ShowMessage(
        FormatStatus(LoadMessage(kMsgCommErrorReading) + " ", check.read_status));
    return false;
  }
  if (check.failed) {
    env_.dialogs.ShowMessage(LoadMessage(kMsgPermanentFail));
    return false;
  }
  return true;
}

bool ImageReader::ConfirmOverwrite(const std::string& path) {
  if (path == form_.ConfirmedFile() || !NonEmptyFileExists(path)) return true;
  return env_.dialogs.AskYesNo(LoadMessage(kMsgConfirmOverwrite) + "\n" + path);
}

bool ImageReader::EnterRom() {
  form_.SetStatus(kStatusVerifying);
  env_.pump.PumpOnce();
  const auto cmd = static_cast<uint8_t>(settings_.RetROMCmd);
  const bool entered = IsRegisterGauge(settings_.COMMANDSET)
                           ? EnterROMModeI2C(link_, cmd, settings_.RetROMWd) == 0
                           : EnterROMMode(link_, cmd, settings_.RetROMWd) == kTrue;
  if (!entered) env_.dialogs.ShowMessage(LoadMessage(kMsgRomModeFailed));
  return entered;
}

bool ImageReader::ReadImage(const std::string& path) {
  form_.SetStatus(kStatusReadingFlash);
  env_.pump.PumpOnce();
  Status status = 0;
  if (IsSwitchedLoader(settings_)) {
    if (link_.SelectBusMode(kBusModeRegister) != 0) return false;
    if (WriteImageFileI2C(link_, env_.dialogs, path) != 0) return false;
    status = link_.SelectBusMode(kBusModeSmbus);
  } else if (IsRegisterGauge(settings_.COMMANDSET)) {
    if (WriteImageFileI2C(link_, env_.dialogs, path) != 0) return false;
  } else {
    status = WriteImageFileSMBus(link_, env_.dialogs, path);
  }
  if (status == 0) return true;
  env_.dialogs.ShowMessage(FormatStatus(LoadMessage(kMsgDfReadError) + " ", status));
  return false;
}

bool ImageReader::LeaveRom() {
  bool left = true;
  if (IsSwitchedLoader(settings_)) {
    if (link_.SelectBusMode(kBusModeRegister) != 0) return false;
    left = ExitROMModeI2C(link_) == kTrue;
    if (left && link_.SelectBusMode(kBusModeSmbus) != 0) return false;
  } else if (IsRegisterGauge(settings_.COMMANDSET)) {
    left = ExitROMModeI2C(link_) == kTrue;
  } else {
    left = ExitROMMode(link_) == 0;
  }
  if (!left) env_.dialogs.ShowMessage(LoadMessage(kMsgGaugeCodeFailed));
  return left;
}

}  // namespace tester
