#pragma once
// What the image reader's window shows and the read procedure works on: the current
// target, the destination box, the file last confirmed in the save dialog, the status line
// and the description of the current target. Front ends are told of every change.
#include <functional>
#include <string>

namespace tester {

// The texts of the status line.
inline constexpr const char* kStatusCommunicating = "Communicating...";
inline constexpr const char* kStatusWaitingForInput = "Waiting for user input...";
inline constexpr const char* kStatusVerifying = "Verifying...";
inline constexpr const char* kStatusReadingFlash = "Reading Data Flash...";
inline constexpr const char* kStatusReadFailed = "Read Data Flash image FAILED!";
inline constexpr const char* kStatusCreated = "Data Flash image successfully CREATED!";
inline constexpr const char* kStatusNoLink = "Failed to open connection to Linkpod!";
inline constexpr const char* kStatusTooManyAdapters =
    "Connection not opened! Only 1 Linkpod must be connected.";
inline constexpr const char* kOnlyOneAdapterMessage =
    "Please connect only 1 Linkpod from which the data flash image is to be read.";

class ReaderForm {
public:
  const std::string& CurrentTarget() const { return current_target_; }
  const std::string& ImageFile() const { return image_file_; }
  const std::string& ConfirmedFile() const { return confirmed_file_; }
  const std::string& Status() const { return status_; }
  const std::string& TargetDescription() const { return target_description_; }

  void SetCurrentTarget(std::string target);
  void SetStatus(std::string text);
  void SetTargetDescription(std::string text);
  // The box set by the program (state file, input box): no confirmation goes with it.
  void SetImageFile(std::string text);
  // The operator typed into the box: the text is no longer the file the save dialog
  // confirmed, so a read into it asks before overwriting.
  void EditImageFile(std::string text);
  // The save dialog's choice: the box and the confirmed file both take it.
  void ConfirmImageFile(std::string path);

  // Called after every change (the window refreshes its widgets).
  void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
  void Changed();

  std::string current_target_;
  std::string image_file_;
  std::string confirmed_file_;
  std::string status_;
  std::string target_description_;
  std::function<void()> observer_;
};

}  // namespace tester
