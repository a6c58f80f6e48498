#include "components/ui/password_dialog.h"

#include <QLineEdit>

namespace tester {

std::unique_ptr<QInputDialog> PasswordDialog::MakeBox(QWidget* parent, const std::string& prompt,
                                                      const std::string& title) {
  auto box = std::make_unique<QInputDialog>(parent);
  box->setObjectName("PasswordDialog");
  box->setInputMode(QInputDialog::TextInput);
  box->setTextEchoMode(QLineEdit::Password);
  box->setWindowTitle(QString::fromStdString(title));
  box->setLabelText(QString::fromStdString(prompt));
  box->setOption(QInputDialog::UsePlainTextEditForTextInput, false);
  return box;
}

std::optional<std::string> PasswordDialog::AskPassword(const std::string& prompt,
                                                       const std::string& title) {
  std::unique_ptr<QInputDialog> box = MakeBox(parent_, prompt, title);
  if (box->exec() != QDialog::Accepted) return std::nullopt;
  return box->textValue().toStdString();
}

}  // namespace tester
