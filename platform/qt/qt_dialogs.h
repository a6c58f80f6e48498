#pragma once
// Operator dialogs as real modal boxes. They run a nested event loop while open, so events
// (timers, engine events) are still served. Needs a QApplication.
#include <QPointer>
#include <QWidget>
#include <string>
#include <utility>

#include "platform/dialogs.h"

namespace tester {

// A filter of descriptions and patterns separated by '|' ("Images(*.rom)|*.rom|All|*.*",
// patterns joined by ';') in the form a Qt file dialog takes: "Images(*.rom) (*.rom)"
// and "All (*.*)" joined by ";;". A description without its pattern is kept as is.
std::string QtFileFilter(const std::string& filter);

class QtDialogs final : public OperatorDialogs {
public:
  // Boxes carry `program_title` and are centred on `parent` (may be null).
  explicit QtDialogs(std::string program_title, QWidget* parent = nullptr)
      : title_(std::move(program_title)), parent_(parent) {}

  // Window the next boxes belong to (for example the station's own window).
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  DialogChoice AskYesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                     const std::string& default_text) override;
  std::optional<std::string> AskSaveFile(const std::string& title, const std::string& filter,
                                         const std::string& default_ext,
                                         const std::string& initial) override;

private:
  QString TitleOr(const std::string& title) const;

  std::string title_;
  QPointer<QWidget> parent_;  // becomes null when the window goes away
};

}  // namespace tester
