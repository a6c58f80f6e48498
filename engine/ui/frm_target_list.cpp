#include "engine/ui/frm_target_list.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tester {

frmTargetList::frmTargetList(const std::string& program_folder, QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmTargetList");
  setWindowTitle(kTargetListCaption);
  setModal(true);

  lstTargets = new QListWidget(this);
  lstTargets->setObjectName("lstTargets");
  cmdOK = new QPushButton("&OK", this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setDefault(true);
  cmdCancel = new QPushButton("&Cancel", this);
  cmdCancel->setObjectName("cmdCancel");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lstTargets);
  layout->addLayout(buttons);
  resize(360, 220);

  list_.Load(program_folder);
  list_.BeginChoice();
  for (const std::string& line : list_.Lines()) lstTargets->addItem(QString::fromStdString(line));
  ShowSelection();

  connect(lstTargets, &QListWidget::currentRowChanged, this, [this](int row) {
    list_.Select(row);
  });
  connect(lstTargets, &QListWidget::itemDoubleClicked, this, [this] { cmdOK_Click(); });
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmTargetList::SetCurrentTarget(const std::string& version) {
  list_.SetCurrentTarget(version);
  ShowSelection();
}

void frmTargetList::ShowSelection() {
  const QSignalBlocker quiet(lstTargets);
  lstTargets->setCurrentRow(list_.Selected());
  if (list_.Selected() == TargetList::kNoLine) lstTargets->clearSelection();
}

void frmTargetList::cmdOK_Click() {
  list_.Accept();
  accept();
}

void frmTargetList::cmdCancel_Click() {
  list_.Cancel();
  reject();
}

std::string TargetListChooser::ChooseTarget() {
  frmTargetList window(folder_, parent_);
  window.exec();
  return window.ChosenKey();
}

}  // namespace tester
