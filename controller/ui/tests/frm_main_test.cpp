// The main window over the controller and fake engines on a virtual clock: start, the
// rows and lamps after completions, the temperature-stop label, the failed start-up, and
// screenshots of a run in progress and after it.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "components/password_file.h"
#include "components/password_lock.h"
#include "components/password_prompt.h"
#include "components/result_store.h"
#include "components/ui/tester_log_view.h"
#include "controller/stored_references.h"
#include "controller/tests/controller_fakes.h"
#include "controller/ui/frm_main.h"
#include "controller/ui/frm_splash.h"
#include "controller/ui/station_lamp.h"

namespace tester::test {

class FrmMainTest : public QObject {
  Q_OBJECT

private:
  struct Rig {
    explicit Rig(int boards, bool calibration, const std::string& jig) {
      home.Calibration(calibration);
      home.Jig(jig);
      factory.adapters = Adapters(boards);
      serials.next = 240101;
      results = OpenResultStore(home.Path(), clock);
      auto* log_view = new TesterLogView(*results);  // TesterLog1, logging into the store
      ControllerParts parts{clock, dialogs, factory, serials, *log_view, reminder, home.Path(), {}};
      window = std::make_unique<frmMain>(clock, dialogs, log_view);
      controller = std::make_unique<Controller>(parts, window.get());
      window->Attach(*controller, home.Path());
      window->show();
      window->Load();
    }
    ~Rig() {
      window->close();
      window.reset();
    }
    QPushButton* Button(const char* name) { return window->findChild<QPushButton*>(name); }
    QStringList StatusRows() {
      QStringList rows;
      auto* list = window->findChild<QListWidget*>("lstCurrStatus");
      for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
      return rows;
    }
    QColor Lamp(int i) {
      for (StationLamp* lamp : window->findChildren<StationLamp*>("Shape1")) {
        if (lamp->property("Index").toInt() == i) return lamp->Fill();
      }
      return {};
    }
    QString Cell(int row, int column) {
      auto* table = window->findChild<QTableView*>("tblStations");
      return table->model()->index(row, column).data().toString();
    }

    VirtualClock clock;
    ScriptedDialogs dialogs;
    FakeEngineFactory factory;
    MemorySerialCounter serials;
    MemoryReminder reminder;
    ControllerHome home;
    std::unique_ptr<ResultStore> results;    // outlives the window's log display
    std::unique_ptr<Controller> controller;  // after the window: goes first
    std::unique_ptr<frmMain> window;
  };

  struct OnePassword final : PasswordPrompt {
    std::optional<std::string> AskPassword(const std::string&, const std::string&) override {
      return std::string("bench-7");
    }
  };

  // Whether the reference grid of the VTI window that "Configure VTI" opens is editable.
  static bool GridOpens(Rig& rig) {
    bool enabled = false;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      if (QWidget* frame = modal->findChild<QWidget*>("FrameVTI")) enabled = frame->isEnabled();
      modal->close();
    });
    QTest::mouseClick(rig.Button("cmdVTI"), Qt::LeftButton);
    return enabled;
  }

  static void Grab(QWidget& widget, const QString& name) {
    QDir().mkpath(TESTER_SCREENSHOT_DIR);
    QVERIFY(widget.grab().save(QString(TESTER_SCREENSHOT_DIR) + "/" + name));
  }

  static std::string Line(int boards) {
    std::string jig = "[BoardMapping]\n";
    for (int i = 0; i < boards; ++i) {
      jig += "ADAPTER" + std::to_string(i) + "=Bay" + (i < 9 ? "0" : "") + std::to_string(i + 1) + "\n";
    }
    jig += "[Bay12]\nDoTesting=0\n";
    return jig;
  }

private slots:
  void startRunsTheStationsAndLampsShowTheVerdicts() {
    Rig rig(12, false, Line(12));
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QCOMPARE(rig.window->windowTitle(), QString("Gangwright Software"));
    QVERIFY(!rig.Button("cmdVTI")->isVisible());
    QVERIFY(rig.Button("cmdStart")->isEnabled());
    rig.factory.At(0).Title("Tester_800.1.02.rom (demo line)");

    QTest::mouseClick(rig.Button("cmdStart"), Qt::LeftButton);
    QVERIFY(!rig.Button("cmdStart")->isEnabled());
    QCOMPARE(rig.factory.At(11).executes, 0);  // Bay12 stands by
    const char* steps[] = {"Power Up...", "Writing Data Image...", "Calibrating...",
                           "Writing Serial Number..."};
    for (int i = 0; i < 11; ++i) rig.factory.At(i).Status(steps[i % 4]);
    for (int i = 0; i < 11; ++i) rig.factory.At(i).AskSerial();
    rig.factory.At(0).Complete(0, 0, "240101");
    rig.factory.At(2).Complete(65538, 65538, "0");
    rig.clock.WaitMs(12'300);
    QCOMPARE(rig.StatusRows().at(1), QString("Bay02:Writing Data Image..."));
    QCOMPARE(rig.Lamp(0), QColor(0, 255, 0));
    QCOMPARE(rig.Lamp(2), QColor(255, 0, 0));
    QCOMPARE(rig.Lamp(1), rig.window->palette().color(QPalette::Base));
    QCOMPARE(rig.Cell(0, 4), QString("PASS"));
    QCOMPARE(rig.Cell(2, 4), QString("FAIL 65538/65538"));
    QCOMPARE(rig.Cell(1, 2), QString("12.3 s"));
    QCOMPARE(rig.Cell(11, 1), QString("(not testing)"));
    Grab(*rig.window, "frmMain-running.png");

    for (int i = 1; i < 11; ++i) {
      if (i == 2) continue;
      rig.factory.At(i).Complete(i == 6 ? 65544 : 0, i == 6 ? 65571 : 0,
                                 std::to_string(240101 + i));
    }
    QVERIFY(rig.Button("cmdStart")->isEnabled());
    QCOMPARE(rig.Lamp(6), QColor(255, 0, 0));
    QCOMPARE(rig.Cell(1, 7), QString("100.0 %"));
    Grab(*rig.window, "frmMain-after.png");
  }

  void aDriftShowsTheTemperatureStopLabel() {
    Rig rig(2, true, "[BoardMapping]\nADAPTER0=Bay01\nADAPTER1=Bay02\n[Bay01]\nITS=1\n");
    QVERIFY(rig.Button("cmdVTI")->isVisibleTo(rig.window.get()));
    QVERIFY(!rig.Button("cmdStart")->isEnabled());
    // "Configure VTI" opens the reference window, modal over this one.
    QString opened;
    QTimer::singleShot(0, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        opened = modal->objectName();
        modal->close();
      }
    });
    QTest::mouseClick(rig.Button("cmdVTI"), Qt::LeftButton);
    QCOMPARE(opened, QString("frmVTI"));
    QVERIFY(PushStoredReferences(*rig.controller, rig.home.Path()).empty());
    QCOMPARE(rig.factory.At(1).vti_calls.size(), size_t{1});
    QVERIFY(rig.Button("cmdStart")->isEnabled());
    rig.factory.At(0).int_tenths = 400;
    QTest::mouseClick(rig.Button("cmdStart"), Qt::LeftButton);
    QCOMPARE(rig.dialogs.Messages().back(), std::string("Please try again!"));
    auto* label = rig.window->findChild<QLabel*>("lblTempBasedStop");
    QCOMPARE(label->text(),
             QString("Recalibration required to proceed! Cause:Temperature Variation>Tolerance"));
    QVERIFY(!rig.Button("cmdStart")->isEnabled());
    Grab(*rig.window, "frmMain-temperature-stop.png");
  }

  void theReferenceGridFollowsTheOperatorLock() {
    Rig rig(1, true, "[BoardMapping]\nADAPTER0=Bay01\n");
    QVERIFY(SavePassword(PasswordFilePath(rig.home.Path()), "bench-7", kMinPasswordIterations)
                .empty());
    OnePassword prompt;
    PasswordLock lock(rig.home.Path(), rig.dialogs, prompt);
    rig.window->SetLock(&lock);
    auto* unlock = rig.window->findChild<QAction*>("mnuFileUnlock");
    QVERIFY(unlock && unlock->isVisible());
    QVERIFY(!GridOpens(rig));
    unlock->trigger();
    QVERIFY(!lock.IsLocked());
    QVERIFY(GridOpens(rig));
    rig.window->findChild<QAction*>("mnuFileLock")->trigger();
    QVERIFY(!GridOpens(rig));
  }

  void theAboutBoxShowsTheEnginesVersion() {
    Rig rig(1, false, "[BoardMapping]\nADAPTER0=Bay01\n");
    frmSplash about(rig.window.get());
    about.SetVersion(QString::fromStdString(rig.controller->AboutVersion()));
    about.show();
    QCOMPARE(about.Version(), QString("Version 2.2.7 Gangwright multi-station controller"));
    Grab(about, "frmSplash.png");
  }

  void aFailedStartUpDisablesTheWindowAndClosesIt() {
    Rig rig(2, false, "[BoardMapping]\nADAPTER0=Bay01\n");
    QCOMPARE(rig.dialogs.Messages().back(), std::string("Error: Expected 1 boards, Found 2"));
    QVERIFY(!rig.Button("cmdStart")->isEnabled());
    QVERIFY(!rig.window->findChild<QTableView*>("tblStations")->model()->rowCount());
    QCOMPARE(rig.StatusRows().first(), QString("Start-up failed:"));
    Grab(*rig.window, "frmMain-startup-failed.png");
    rig.clock.WaitMs(300);
    QVERIFY(!rig.window->isVisible());
  }
};

}  // namespace tester::test

QTEST_MAIN(tester::test::FrmMainTest)
#include "frm_main_test.moc"
