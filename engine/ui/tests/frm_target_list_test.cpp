// The target chooser window over the demo Targets file: lines, the choice OK and Cancel
// give, a file that cannot be read, and its screenshot.
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "engine/ui/frm_target_list.h"
#include "testing/demo_home.h"

namespace tester {

class FrmTargetListTest : public QObject {
  Q_OBJECT

private slots:
  void ShowsTheTargetsAndGivesTheChosenKey() {
    frmTargetList window(test::DemoFolder());
    QCOMPARE(window.windowTitle(), QString("Choose Target Device"));
    QCOMPARE(window.lstTargets->count(), 4);
    QCOMPARE(window.lstTargets->currentRow(), 0);
    QCOMPARE(window.cmdOK->text(), QString("&OK"));
    QCOMPARE(window.cmdCancel->text(), QString("&Cancel"));
    window.SetCurrentTarget("100.1.09");
    QCOMPARE(window.lstTargets->currentRow(), 2);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QDir().mkpath(TESTER_SCREENSHOT_DIR);
    QVERIFY(window.grab().save(TESTER_SCREENSHOT_DIR "/frmTargetList.png"));

    window.lstTargets->setCurrentRow(3);
    QTest::mouseClick(window.cmdOK, Qt::LeftButton);
    QCOMPARE(window.ChosenKey(), std::string("700.1.05"));
    QVERIFY(!window.isVisible());
  }

  void CancelAndAnUnreadableFileGiveNoChoice() {
    frmTargetList cancelled(test::DemoFolder());
    QTest::mouseClick(cancelled.cmdCancel, Qt::LeftButton);
    QCOMPARE(cancelled.ChosenKey(), std::string());

    frmTargetList missing("/nonexistent-folder");
    QCOMPARE(missing.lstTargets->count(), 1);
    QCOMPARE(missing.lstTargets->item(0)->text(), QString("File not found!"));
    QTest::mouseClick(missing.cmdOK, Qt::LeftButton);
    QCOMPARE(missing.ChosenKey(), std::string());
  }
};

}  // namespace tester

QTEST_MAIN(tester::FrmTargetListTest)
#include "frm_target_list_test.moc"
