// The VTI window over fake engines on the offscreen platform: its columns for three
// switch settings (with screenshots), calibration mode on focus, a bad box, the update.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "controller/tests/vti_fakes.h"
#include "controller/ui/frm_vti.h"

namespace tester::test {

class FrmVtiTest : public QObject {
  Q_OBJECT

private:
  // Four stations; Bay0 tracks its own board's sensor.
  void Stations(VtiWorld& world) {
    world.Station("Bay0", 3712, 24.6f, true, "IBay0");
    world.Station("Bay1", 3705);
    world.Station("Bay2", 3698);
    world.Station("Bay3", 3701);
    world.host.internal = {246, 251, 249, 250};
  }
  template <typename T>
  T* Child(frmVTI& w, const QString& name) {
    T* child = w.findChild<T*>(name);
    if (child == nullptr) qFatal("no control %s", qPrintable(name));
    return child;
  }
  void Show(frmVTI& w) {
    w.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
  }
  void Shoot(frmVTI& w, const char* name) {
    QDir().mkpath(TESTER_SCREENSHOT_DIR);
    QVERIFY(w.grab().save(QString(TESTER_SCREENSHOT_DIR) + "/" + name));
  }
  bool IsRed(QLabel* label) {
    return label->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
  }

private slots:
  void AllCalibrationsOnWithFourCells() {
    VtiWorld world;
    world.Global(1, 1, 4, 1, 1);
    Stations(world);
    frmVTI w(world.Parts());
    Show(w);
    QCOMPARE(w.windowTitle(), QString("Update VTI"));
    QVERIFY(Child<QLineEdit>(w, "txtV4(3)")->isVisible());
    QVERIFY(!Child<QLineEdit>(w, "txtV(4)")->isVisible());  // rows beyond the stations
    QVERIFY(Child<QLineEdit>(w, "txtIT(0)")->isVisible());
    QVERIFY(!Child<QLineEdit>(w, "txtT(0)")->isVisible());
    QVERIFY(Child<QLineEdit>(w, "txtT(1)")->isVisible());
    QCOMPARE(Child<QLineEdit>(w, "txtIT(0)")->text(), QString("24.6"));
    QCOMPARE(Child<QLabel>(w, "lblVolt(3)")->text(), QString("VT4"));
    QCOMPARE(Child<QPushButton>(w, "cmdUpdClose")->text(), QString("&Update VTI && Close"));
    QVERIFY(!Child<QLabel>(w, "lblStationAlert")->isVisible());

    // A box of Bay0 takes the focus: its board flashes, its name blinks.
    QTest::mouseClick(Child<QLineEdit>(w, "txtV2(0)"), Qt::LeftButton);
    QCOMPARE(world.host.shown, (std::vector<std::pair<int, bool>>{{0, true}}));
    QLabel* id = Child<QLabel>(w, "lblStationID(0)");
    QCOMPARE(id->text(), QString("Bay0"));
    QVERIFY(id->isVisible() && Child<QLabel>(w, "lblStationAlert")->isVisible());
    QVERIFY(Child<QLabel>(w, "lblStationAlert")->text().endsWith("    Temperature Sensors"));
    world.clock.WaitMs(410);
    QVERIFY(IsRed(id) && IsRed(Child<QLabel>(w, "lblStation(0)")));
    Shoot(w, "vti_all_on.png");
    world.clock.WaitMs(410);
    QVERIFY(!IsRed(id));

    // Tab on to the next box of the row: still the same station, no new light command.
    QTest::keyClick(Child<QLineEdit>(w, "txtV2(0)"), Qt::Key_Tab);
    QCOMPARE(world.host.shown.size(), std::size_t{1});

    QLineEdit* v1 = Child<QLineEdit>(w, "txtV(1)");
    QTest::mouseClick(v1, Qt::LeftButton);
    QApplication::processEvents();  // the queued select-all
    QTest::keyClicks(v1, "3711");
    QCOMPARE(v1->text(), QString("3711"));
    QCOMPARE(world.host.shown.back(), (std::pair<int, bool>{1, true}));
    QTest::mouseClick(Child<QPushButton>(w, "cmdUpdClose"), Qt::LeftButton);
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(world.host.engines[1]->updates.at(0).nV, 3711);
    QCOMPARE(world.host.engines[0]->updates.at(0).nIT, 24.6f);
    QCOMPARE(world.host.shown.back(), (std::pair<int, bool>{1, false}));
    QCOMPARE(world.host.updated, 4);
  }

  void VoltageModeZero() {
    VtiWorld world;
    world.Global(1, 0, 4, 1, 1);
    Stations(world);
    frmVTI w(world.Parts());
    Show(w);
    QCOMPARE(Child<QLabel>(w, "lblVoltTitle")->text(), QString("V(mV)"));
    QCOMPARE(Child<QLabel>(w, "lblVolt(0)")->text(), QString("VTotal"));
    QVERIFY(!Child<QLineEdit>(w, "txtV2(0)")->isVisible());
    QVERIFY(Child<QLabel>(w, "lblVHelp(0)")->isVisible());
    QVERIFY(!Child<QLabel>(w, "lblVHelp(1)")->isVisible());
    QCOMPARE(Child<QLineEdit>(w, "txtI(2)")->x(), (90 + 1920) / 15);
    Shoot(w, "vti_mode0.png");
  }

  void CurrentCalibrationOffAndABadBox() {
    VtiWorld world;
    world.Global(1, 1, 4, 0, 1);
    Stations(world);
    frmVTI w(world.Parts());
    Show(w);
    QVERIFY(!Child<QLineEdit>(w, "txtI(0)")->isVisible());
    QVERIFY(!Child<QLabel>(w, "lblCurrentTitle")->isVisible());
    QCOMPARE(Child<QLineEdit>(w, "txtT(1)")->x(), (90 + 4080) / 15);
    Shoot(w, "vti_current_off.png");

    QLineEdit* v3 = Child<QLineEdit>(w, "txtV3(1)");
    QTest::mouseClick(v3, Qt::LeftButton);
    QApplication::processEvents();
    QTest::keyClicks(v3, "11x");
    QTest::mouseClick(Child<QPushButton>(w, "cmdApply"), Qt::LeftButton);
    QCOMPARE(world.dialogs.Messages(),
             (std::vector<std::string>{"Please enter valid values! Error updating VTI: Bay1, "
                                       "VT3: \"11x\" is not a number"}));
    QCOMPARE(world.host.engines[0]->updates.size(), std::size_t{1});
    QVERIFY(world.host.engines[1]->updates.empty());
    QVERIFY(Child<QPushButton>(w, "cmdApply")->isEnabled());
    w.close();
    QCOMPARE(world.host.shown.back(), (std::pair<int, bool>{1, false}));
  }
};

}  // namespace tester::test

QTEST_MAIN(tester::test::FrmVtiTest)
#include "frm_vti_test.moc"
