#pragma once
// frmMainS, "Ardentis Software DataFlash Reader": the image reader's window, a view over
// ImageReader (dfreader/image_reader.h). Fixed size; boxes go through the reader's dialogs.
#include <QMainWindow>

#include "dfreader/image_reader.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tester {

inline constexpr const char* kReaderCaption = "Ardentis Software DataFlash Reader";
// 5280 x 3075 twips at 15 twips a pixel.
inline constexpr int kReaderWidth = 5280 / 15;
inline constexpr int kReaderHeight = 3075 / 15;

// Class, members and objectNames keep the window's names.
class frmMainS final : public QMainWindow {
  Q_OBJECT

public:
  // The reader must have been loaded (or be loaded right after) and outlive the window.
  explicit frmMainS(ImageReader& reader, QWidget* parent = nullptr);
  ~frmMainS() override;

  QLineEdit* txtDFImageFile = nullptr;
  QPushButton* cmdBrowse = nullptr;
  QPushButton* cmdReadDF = nullptr;
  QLabel* lblCurrTgt = nullptr;
  QLabel* lblStatus = nullptr;
  QAction* mnuFileReadDFImage = nullptr;
  QAction* mnuFileClose = nullptr;
  QAction* mnuDevSetTgt = nullptr;
  QAction* mnuDeviceAutoDetect = nullptr;
  QAction* mnuAboutTester = nullptr;
  QAction* mnuAboutKestrelocx = nullptr;

  // cmdReadDF_Click: the read with the button disabled meanwhile.
  void cmdReadDF_Click();

protected:
  // Form_Unload.
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildMenus();
  QWidget* BuildControls();
  void Refresh();

  ImageReader& reader_;
  bool unloaded_ = false;
};

}  // namespace tester
