#pragma once
// The data-flash image reader without its window: the window's state (ReaderForm), the
// start-up and shut-down of the adapter link and the program state file, and the
// procedures behind the buttons and menus. The window (dfreader/ui) and the console verb
// (dfreader/cli) are views over this.
#include <string>

#include "common/gauge_control.h"
#include "dfreader/reader_form.h"
#include "engine/target_chooser.h"
#include "engine/target_list.h"
#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"

namespace tester {

// The save dialog of the destination box.
inline constexpr const char* kSaveDialogTitle = "Data Flash image destination file";
inline constexpr const char* kSaveDialogFilter =
    "Data Flash image files(*.rom)|*.rom|All files(*.*)|*.*";
inline constexpr const char* kSaveDialogExtension = ".rom";

struct ReaderEnvironment {
  EventPump& pump;
  GaugeControl& control;
  OperatorDialogs& dialogs;
  TargetChooser& chooser;
  std::string program_folder;  // Config.ini, Targets, flashwright.ini
  std::string current_folder;  // where a bare file name is written
};

class ImageReader {
public:
  enum class LinkOutcome { kOpened, kNoAdapter, kTooManyAdapters };

  explicit ImageReader(ReaderEnvironment environment);
  ~ImageReader();
  ImageReader(const ImageReader&) = delete;
  ImageReader& operator=(const ImageReader&) = delete;

  // Form_Load: binds the control; with fewer than two adapters listed opens the first
  // (message 103 when that fails) and loads the program state file; with two or more
  // opens nothing and leaves the state file alone, also at the end.
  LinkOutcome Load();
  // Form_Unload: closes the link, releases the control and, with `save_state`, saves the
  // state file when it was loaded. False when the state file could not be written.
  bool Unload(bool save_state = true);

  // The read procedure (Read Data Flash Image): true once the image file and its digest
  // are written and checked. Ignored (false) while a read is running, so a menu click
  // served inside one of its waits cannot start a second read on the same adapter.
  bool ReadDFImage();
  bool Busy() const { return busy_; }
  // The file the last successful read wrote.
  const std::string& LastImage() const { return last_image_; }

  // "...": the save dialog over the destination box.
  void Browse();
  // Set Target: the chooser; a non-empty choice becomes the current target.
  void SetTarget();
  // Auto Detect Target: SMBus detection; the result is shown, not made current.
  std::string AutoDetect();
  // The control's about box.
  void About();

  ReaderForm& Form() { return form_; }
  const StationSettings& Settings() const { return settings_; }

private:
  bool RunRead();
  bool Fail();
  // lblCurrTgt: the target's description from the Targets list, or the text itself when
  // the list has none for it.
  void ShowTarget(const std::string& target);
  bool CheckSupported(const std::string& target);
  bool CheckUsable(const std::string& target);
  bool ConfirmOverwrite(const std::string& path);
  bool EnterRom();
  bool ReadImage(const std::string& path);
  bool LeaveRom();

  ReaderEnvironment env_;
  StationSettings settings_;
  GaugeLink link_;
  TargetList targets_;
  ReaderForm form_;
  bool state_loaded_ = false;
  bool busy_ = false;
  std::string last_image_;
};

}  // namespace tester
