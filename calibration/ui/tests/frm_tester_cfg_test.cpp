// The configuration window: mode 0's boxes for a three-cell station with a VBAT input and
// for a station without voltage calibration (its hidden values still saved), the numeric
// check on leaving a box, closing after a change, and mode 1 hosting the global configuration
// editor. Screenshots of both modes go to TESTER_SCREENSHOT_DIR.
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "calibration/ui/frm_tester_cfg.h"
#include "platform/scripted_dialogs.h"
#include "testing/memory_tester_config.h"

namespace tester {
namespace {

constexpr const char* kIni = "/station/ardentis.ini";

void Screenshot(QWidget& window, const char* name) {
  QDir().mkpath(TESTER_SCREENSHOT_DIR);
  QVERIFY(window.grab().save(QString(TESTER_SCREENSHOT_DIR) + "/" + name));
}

// The station's configuration as a three-cell station file holds it; saves are counted.
class StationConfig final : public MemoryTesterConfig {
public:
  StationConfig(int* saves, int16_t voltage_cal) : saves_(saves) {
    VoltageCalEnabled = voltage_cal;
    VoltageCalMode = kVoltageCalPerTapInside;
    CellCount = 3;
    CurrentCalEnabled = 1;
    RefVoltage1 = 3700;
    RefVoltage2 = 7400;
    RefVoltage3 = 11100;
    RefVoltage4 = 11100;
    RefCurrent = 2000;
    RefTemperature = 25.0f;
  }
  std::string SaveVTIConfig() override {
    ++*saves_;
    saved_voltage2 = RefVoltage2;
    return {};
  }
  static inline int32_t saved_voltage2 = 0;

private:
  int* saves_;
};

// A global configuration editor of two fields, remembering the paths it was given.
class FakeEditor final : public QWidget, public GlobalConfig {
public:
  explicit FakeEditor(QWidget* parent) : QWidget(parent) {
    auto* form = new QFormLayout(this);
    form->addRow("Program data flash", new QLineEdit("1", this));
    form->addRow("Log file", new QLineEdit("results.log", this));
  }
  std::string LoadFrom(const std::string& path) override {
    loaded = path;
    return {};
  }
  std::string SaveTo(const std::string& path) override {
    saved = path;
    return save_error;
  }
  int32_t Height() const override { return height(); }
  int32_t Top() const override { return y(); }
  int32_t Width() const override { return width(); }
  int32_t Left() const override { return x(); }
  std::string loaded, saved, save_error;
};

}  // namespace

class FrmTesterCfgTest : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<frmTesterCfg> Window(int16_t voltage_cal, int16_t show_vbat) {
    return std::make_unique<frmTesterCfg>(TesterCfgParts{
        dialogs,
        [this, voltage_cal] { return std::make_unique<StationConfig>(&saves, voltage_cal); },
        kIni, show_vbat, [this](QWidget* parent) {
          editor = new FakeEditor(parent);
          return GlobalConfigPanel{editor, editor};
        }});
  }

  ScriptedDialogs dialogs;
  int saves = 0;
  FakeEditor* editor = nullptr;

private slots:
  void init() {
    dialogs = ScriptedDialogs();
    saves = 0;
  }
  void threeCellsWithVbatShowTheTapsAndVbat();
  void withoutVoltageCalibrationHiddenValuesAreStillSaved();
  void globalModeHostsTheEditor();
};

void FrmTesterCfgTest::threeCellsWithVbatShowTheTapsAndVbat() {
  auto w = Window(1, 1);
  w->Prepare(0);
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  QCOMPARE(w->windowTitle(), QString("Ardentis Configuration Window"));
  for (int i = 0; i < 4; ++i) QVERIFY(w->txtVoltage[i]->isVisible());
  QCOMPARE(w->Label1[2]->text(), QString("Cell1+Cell2+Cell3"));
  QCOMPARE(w->Label1[3]->text(), QString("VBAT"));
  QCOMPARE(w->txtVoltage[2]->text(), QString("11100"));
  QVERIFY(w->lblHelp[1]->isVisible() && w->txtCurrent->isVisible());
  QCOMPARE(w->height(), w->FrameButtons->geometry().bottom() + 1 + 40);  // 600 twips
  Screenshot(*w, "frmTesterCfg_vti.png");

  // Leaving a box that is no number: the message, and the focus stays.
  w->activateWindow();
  w->txtVoltage[0]->setFocus();
  w->txtVoltage[0]->clear();
  QTest::keyClick(w->txtVoltage[0], Qt::Key_Tab);
  QCoreApplication::processEvents();
  QCOMPARE(dialogs.Messages(), std::vector<std::string>{kMsgNotNumeric});
  QVERIFY(w->txtVoltage[0]->hasFocus());

  w->txtVoltage[0]->setText("3700");
  w->txtCurrent->setText("1500");
  dialogs.QueueChoice(DialogChoice::kCancel);
  w->close();
  QVERIFY(w->isVisible());  // the question's Cancel keeps it open
  QCOMPARE(saves, 0);
}

void FrmTesterCfgTest::withoutVoltageCalibrationHiddenValuesAreStillSaved() {
  auto w = Window(0, 1);
  w->Prepare(0);
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  for (int i = 0; i < 4; ++i) QVERIFY(!w->txtVoltage[i]->isVisible());
  QVERIFY(!w->lblHelp[1]->isVisible());
  w->txtVoltage[1]->setText("7300");
  QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  QCOMPARE(saves, 1);
  QCOMPARE(StationConfig::saved_voltage2, 7300);
  QVERIFY(!w->isVisible());
  QCOMPARE(w->result(), int(QDialog::Accepted));
  QVERIFY(dialogs.shown().empty());  // saved: no question on the way out
}

void FrmTesterCfgTest::globalModeHostsTheEditor() {
  auto w = Window(1, 0);
  w->Prepare(1);
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  QVERIFY(editor != nullptr);
  QCOMPARE(editor->loaded, std::string(kIni));
  QVERIFY(!w->FrameVTI->isVisible());
  QCOMPARE(w->FrameButtons->y(), editor->Top() + editor->Height());
  Screenshot(*w, "frmTesterCfg_global_panel.png");

  editor->save_error = "Log file: one line only";
  QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  QCOMPARE(dialogs.Messages(), std::vector<std::string>{"Log file: one line only"});
  QVERIFY(w->isVisible());
  editor->save_error.clear();
  QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  QCOMPARE(editor->saved, std::string(kIni));
  QVERIFY(!w->isVisible());
}

}  // namespace tester

QTEST_MAIN(tester::FrmTesterCfgTest)
#include "frm_tester_cfg_test.moc"
