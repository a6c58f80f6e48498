#include "platform/qt/qt_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <vector>

namespace tester {
namespace {

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string::npos;
       at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::string QtFileFilter(const std::string& filter) {
  if (filter.empty()) return {};
  const std::vector<std::string> parts = SplitOn(filter, '|');
  std::string out;
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    if (!out.empty()) out += ";;";
    out += parts[i];
    if (i + 1 < parts.size()) {
      std::string patterns = parts[i + 1];
      for (char& c : patterns) {
        if (c == ';') c = ' ';
      }
      out += " (" + patterns + ")";
    }
  }
  return out;
}

QString QtDialogs::TitleOr(const std::string& title) const {
  return Q(title.empty() ? title_ : title);
}

void QtDialogs::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Q(title_), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::AskYesNo(const std::string& text) {
  QMessageBox box(QMessageBox::Question, Q(title_), Q(text), QMessageBox::Yes | QMessageBox::No,
                  parent_);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

DialogChoice QtDialogs::AskYesNoCancel(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Question, TitleOr(title), Q(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes: return DialogChoice::kYes;
    case QMessageBox::No: return DialogChoice::kNo;
    default: return DialogChoice::kCancel;
  }
}

std::optional<std::string> QtDialogs::AskText(const std::string& prompt, const std::string& title,
                                              const std::string& default_text) {
  bool accepted = false;
  const QString answer = QInputDialog::getText(parent_, TitleOr(title), Q(prompt),
                                               QLineEdit::Normal, Q(default_text), &accepted);
  if (!accepted) return std::nullopt;
  return answer.toStdString();
}

std::optional<std::string> QtDialogs::AskSaveFile(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& default_ext,
                                                  const std::string& initial) {
  QFileDialog dialog(parent_, TitleOr(title));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const std::string qt_filter = QtFileFilter(filter);
  if (!qt_filter.empty()) dialog.setNameFilters(Q(qt_filter).split(QStringLiteral(";;")));
  QString suffix = Q(default_ext);
  if (suffix.startsWith('.')) suffix.remove(0, 1);
  dialog.setDefaultSuffix(suffix);
  if (!initial.empty()) {
    const QFileInfo preset(Q(initial));
    dialog.setDirectory(preset.absolutePath());
    dialog.selectFile(preset.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace tester
