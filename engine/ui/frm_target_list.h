#pragma once
// frmTargetList, "Choose Target Device": the supported targets of the "Targets" file as a
// list to pick one from, a view over TargetList (engine/target_list.h). Shared by the
// engine's window and the image reader.
#include <QDialog>
#include <QPointer>
#include <string>

#include "engine/target_chooser.h"
#include "engine/target_list.h"

class QListWidget;
class QPushButton;

namespace tester {

// Class, members and objectNames keep the window's names.
class frmTargetList final : public QDialog {
  Q_OBJECT

public:
  // Form_Load: reads the Targets file of `program_folder`, first line selected.
  explicit frmTargetList(const std::string& program_folder, QWidget* parent = nullptr);

  // Selects the lines of `version` (SetCurrentTarget).
  void SetCurrentTarget(const std::string& version);
  // The key of the line taken with OK; empty after Cancel or without a keyed line.
  std::string ChosenKey() const { return list_.ChosenKey(); }
  const TargetList& List() const { return list_; }

  QListWidget* lstTargets = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;

private:
  void cmdOK_Click();
  void cmdCancel_Click();
  void ShowSelection();

  TargetList list_;
};

// ChooseTarget through the window: shown modally over `parent` (when given), the key of
// the line chosen with OK.
class TargetListChooser final : public TargetChooser {
public:
  explicit TargetListChooser(std::string program_folder, QWidget* parent = nullptr)
      : folder_(std::move(program_folder)), parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  std::string ChooseTarget() override;

private:
  std::string folder_;
  QPointer<QWidget> parent_;
};

}  // namespace tester
