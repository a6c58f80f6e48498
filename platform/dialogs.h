#pragma once
// Operator dialogs: message boxes, Yes/No questions, input boxes and the save-file dialog,
// called through this interface so that logic runs with scripted answers in tests, with
// real modal boxes in the windows, and with printed texts and default answers headless.
// Every box carries the program's title unless a call names its own.
#include <optional>
#include <string>

namespace tester {

// Answer to a question with a Cancel button.
enum class DialogChoice { kYes, kNo, kCancel };

class OperatorDialogs {
public:
  virtual ~OperatorDialogs() = default;

  // Message box with an OK button; returns once the operator has closed it.
  virtual void ShowMessage(const std::string& text) = 0;
  // Yes/No question; true = Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // Yes/No/Cancel question under its own title (for example a confirmation on closing).
  virtual DialogChoice AskYesNoCancel(const std::string& text, const std::string& title) = 0;
  // Input box with `prompt`, `title` and a preset answer; nullopt when cancelled.
  virtual std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                             const std::string& default_text) = 0;
  // Save-file dialog. `filter` pairs descriptions and patterns separated by '|'
  // ("Image files(*.rom)|*.rom|All files(*.*)|*.*"); `default_ext` (".rom") is added to a
  // name typed without one; `initial` is the preset file name and its folder the starting
  // folder. Nullopt when cancelled.
  virtual std::optional<std::string> AskSaveFile(const std::string& title,
                                                 const std::string& filter,
                                                 const std::string& default_ext,
                                                 const std::string& initial) = 0;
};

}  // namespace tester
