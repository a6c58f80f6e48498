#include "platform/headless_dialogs.h"

namespace tester {
namespace {

// One line per box: a multi-line message keeps its parts apart with this separator.
constexpr const char* kLineBreakShown = " / ";

std::string OneLine(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n') {
      line += kLineBreakShown;
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace

void HeadlessDialogs::Print(const std::string& title, const std::string& text,
                            const std::string& answer) {
  out_ << (title.empty() ? title_ : title) << ": " << OneLine(text);
  if (!answer.empty()) out_ << " -> " << answer;
  out_ << std::endl;
}

void HeadlessDialogs::ShowMessage(const std::string& text) { Print("", text, ""); }

bool HeadlessDialogs::AskYesNo(const std::string& text) {
  Print("", text, yes_no_answer_ ? "Yes" : "No");
  return yes_no_answer_;
}

DialogChoice HeadlessDialogs::AskYesNoCancel(const std::string& text, const std::string& title) {
  Print(title, text, yes_no_answer_ ? "Yes" : "No");
  return yes_no_answer_ ? DialogChoice::kYes : DialogChoice::kNo;
}

std::optional<std::string> HeadlessDialogs::AskText(const std::string& prompt,
                                                    const std::string& title,
                                                    const std::string& default_text) {
  Print(title, prompt, "\"" + default_text + "\"");
  return default_text;
}

std::optional<std::string> HeadlessDialogs::AskSaveFile(const std::string& title,
                                                        const std::string& /*filter*/,
                                                        const std::string& /*default_ext*/,
                                                        const std::string& initial) {
  Print(title, "save to", "\"" + initial + "\"");
  return initial;
}

}  // namespace tester
