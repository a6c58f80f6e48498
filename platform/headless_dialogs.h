#pragma once
// Operator dialogs without a display: every box is printed as one line to a stream, and
// questions take their default answers, so an unattended run never blocks on the operator.
#include <ostream>
#include <string>
#include <utility>

#include "platform/dialogs.h"

namespace tester {

class HeadlessDialogs final : public OperatorDialogs {
public:
  // `out` must outlive this object; where stdout carries the automation protocol, pass
  // std::cerr. `yes_no_answer` answers every Yes/No question (and the
  // Yes/No part of Yes/No/Cancel questions).
  HeadlessDialogs(std::ostream& out, std::string program_title, bool yes_no_answer = false)
      : out_(out), title_(std::move(program_title)), yes_no_answer_(yes_no_answer) {}

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  DialogChoice AskYesNoCancel(const std::string& text, const std::string& title) override;
  // Returns the preset answer.
  std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                     const std::string& default_text) override;
  // Returns the initial file.
  std::optional<std::string> AskSaveFile(const std::string& title, const std::string& filter,
                                         const std::string& default_ext,
                                         const std::string& initial) override;

private:
  // Prints "<title>: <text>" with line breaks of the text shown as " / ", then the answer.
  void Print(const std::string& title, const std::string& text, const std::string& answer);

  std::ostream& out_;
  std::string title_;
  bool yes_no_answer_;
};

}  // namespace tester
