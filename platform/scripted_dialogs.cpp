#include "platform/scripted_dialogs.h"

namespace tester {

template <typename T>
std::optional<T> ScriptedDialogs::Next(const std::string& question) {
  if (answers_.empty()) {
    script_errors_.push_back("no answer queued for: " + question);
    return std::nullopt;
  }
  if (!std::holds_alternative<T>(answers_.front())) {
    script_errors_.push_back("answer of another kind queued for: " + question);
    return std::nullopt;
  }
  T answer = std::get<T>(answers_.front());
  answers_.pop_front();
  return answer;
}

void ScriptedDialogs::ShowMessage(const std::string& text) {
  shown_.push_back({DialogKind::kMessage, text, "", "", ""});
}

bool ScriptedDialogs::AskYesNo(const std::string& text) {
  shown_.push_back({DialogKind::kYesNo, text, "", "", ""});
  const std::optional<YesNoAnswer> answer = Next<YesNoAnswer>(text);
  return answer && answer->yes;
}

DialogChoice ScriptedDialogs::AskYesNoCancel(const std::string& text, const std::string& title) {
  shown_.push_back({DialogKind::kYesNoCancel, text, title, "", ""});
  return Next<DialogChoice>(text).value_or(DialogChoice::kCancel);
}

std::optional<std::string> ScriptedDialogs::AskText(const std::string& prompt,
                                                    const std::string& title,
                                                    const std::string& default_text) {
  shown_.push_back({DialogKind::kText, prompt, title, default_text, ""});
  const std::optional<TextAnswer> answer = Next<TextAnswer>(prompt);
  return answer ? answer->text : std::nullopt;
}

std::optional<std::string> ScriptedDialogs::AskSaveFile(const std::string& title,
                                                        const std::string& filter,
                                                        const std::string& default_ext,
                                                        const std::string& initial) {
  shown_.push_back({DialogKind::kSaveFile, filter, title, initial, default_ext});
  const std::optional<FileAnswer> answer = Next<FileAnswer>(title);
  return answer ? answer->path : std::nullopt;
}

std::vector<std::string> ScriptedDialogs::Messages() const {
  std::vector<std::string> texts;
  for (const ShownDialog& dialog : shown_) {
    if (dialog.kind == DialogKind::kMessage) texts.push_back(dialog.text);
  }
  return texts;
}

}  // namespace tester
