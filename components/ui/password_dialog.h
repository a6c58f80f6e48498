#pragma once
// The masked password box of the operator lock: a modal input box whose text shows as dots,
// over the host window. The lock (components/password_lock.h) asks through it.
//
//   PasswordDialog prompt(this);               // in the host window
//   PasswordLock lock(folder, dialogs, prompt);
#include <QInputDialog>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "components/password_prompt.h"

namespace tester {

class PasswordDialog final : public PasswordPrompt {
public:
  explicit PasswordDialog(QWidget* parent = nullptr) : parent_(parent) {}

  std::optional<std::string> AskPassword(const std::string& prompt,
                                         const std::string& title) override;

  // The box AskPassword shows, not yet shown (for screenshots).
  static std::unique_ptr<QInputDialog> MakeBox(QWidget* parent, const std::string& prompt,
                                               const std::string& title);

private:
  QPointer<QWidget> parent_;
};

}  // namespace tester
