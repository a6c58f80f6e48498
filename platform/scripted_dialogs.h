#pragma once
// Operator dialogs for tests: every box shown is recorded, and questions take their answers
// from a queue filled by the test in the order the questions are expected. A question whose
// next queued answer is missing or of another kind is recorded as a script error and gets
// the cautious answer (No, Cancel, cancelled), so a test sees the surprise instead of a hang.
#include <deque>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/dialogs.h"

namespace tester {

enum class DialogKind { kMessage, kYesNo, kYesNoCancel, kText, kSaveFile };

// One box as it was shown.
struct ShownDialog {
  DialogKind kind = DialogKind::kMessage;
  std::string text;       // message, question or prompt; for a save dialog its filter
  std::string title;      // title when the call names one, else empty
  std::string preset;     // preset answer of an input box, initial file of a save dialog
  std::string extension;  // default extension of a save dialog
};

class ScriptedDialogs final : public OperatorDialogs {
public:
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  DialogChoice AskYesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                     const std::string& default_text) override;
  std::optional<std::string> AskSaveFile(const std::string& title, const std::string& filter,
                                         const std::string& default_ext,
                                         const std::string& initial) override;

  // Queue the answer of the next question of that kind.
  void QueueYesNo(bool yes) { answers_.emplace_back(YesNoAnswer{yes}); }
  void QueueChoice(DialogChoice choice) { answers_.emplace_back(choice); }
  // Text for an input box; nullopt = the operator cancels.
  void QueueText(std::optional<std::string> text) { answers_.emplace_back(TextAnswer{text}); }
  void QueueSaveFile(std::optional<std::string> path) { answers_.emplace_back(FileAnswer{path}); }

  const std::vector<ShownDialog>& shown() const { return shown_; }
  // Texts of the message boxes (kind kMessage) in the order shown.
  std::vector<std::string> Messages() const;
  // Questions that found no fitting answer in the queue.
  const std::vector<std::string>& script_errors() const { return script_errors_; }
  // Answers still queued: questions the test expected but the code never asked.
  std::size_t unused_answers() const { return answers_.size(); }

private:
  struct YesNoAnswer { bool yes; };
  struct TextAnswer { std::optional<std::string> text; };
  struct FileAnswer { std::optional<std::string> path; };
  using Answer = std::variant<YesNoAnswer, DialogChoice, TextAnswer, FileAnswer>;

  // The next queued answer when it is of type T; else records a script error.
  template <typename T>
  std::optional<T> Next(const std::string& question);

  std::deque<Answer> answers_;
  std::vector<ShownDialog> shown_;
  std::vector<std::string> script_errors_;
};

}  // namespace tester
