// The engine's window started by hand on the virtual jig: its controls as created, the
// lock before the first test, runs from the start button to a lamp and a log row (with the
// window repainted during the run), a first load that fails and is tried again, and the
// configuration window it opens. Screenshots of each state go to TESTER_SCREENSHOT_DIR.
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "components/adapter_identity.h"
#include "components/result_store.h"
#include "components/serial_store.h"
#include "components/tester_config_store.h"
#include "components/ui/result_table_model.h"
#include "engine/ui/frm_about.h"
#include "engine/ui/frm_main_s.h"
#include "engine/ui/standalone_program.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/component_doubles.h"
#include "testing/demo_home.h"
#include "testing/jig_station.h"

namespace tester {
namespace {

void Screenshot(QWidget& window, const char* name) {
  QDir().mkpath(TESTER_SCREENSHOT_DIR);
  QVERIFY(window.grab().save(QString(TESTER_SCREENSHOT_DIR) + "/" + name));
}

QColor FillOf(QWidget* widget) { return widget->palette().color(QPalette::Window); }

// The first station of the default jig with two packs: one that passes, one built with
// the wrong firmware.
JigDescription PassThenFailJig() {
  JigDescription jig = DefaultJig();
  jig.adapters.resize(1);
  std::vector<PackDescription>& packs = jig.adapters[0].packs;
  packs = {packs.at(1), packs.at(4)};
  return jig;
}

}  // namespace

class FrmMainSTest : public QObject {
  Q_OBJECT

private:
  struct Bench {
    Bench() {
      std::string error;
      control = MakeSimControl(PassThenFailJig(), home.Locks(), clock, error);
      QVERIFY2(control != nullptr, error.c_str());
      home.Write("ardentis.ini", home.Read("Station1.ini"));
      clock.SetPumpHook([] { QCoreApplication::processEvents(); });
      serials = OpenSerialStore(home.Home(), clock);
      results = OpenResultStore(home.Home(), clock);
      program = std::make_unique<StandaloneProgram>(StandaloneProgramParts{
          clock, *control, linkpod, lock, results.get(), nullptr, *serials, dialogs,
          home.Home(), "ardentis", {}, {}, [this] { lock.Unlock(); },
          [this](int mode) { modes.push_back(mode); }});
    }
    station::frmMainS& Window() { return program->Window(); }
    // The log's runs as the window shows them, newest first.
    const std::vector<LoggedRun>& Logged() { return program->LogView()->Model().Runs(); }

    test::DemoHome home;
    VirtualClock clock;
    std::unique_ptr<SimControl> control;
    AdapterIdentity linkpod;
    test::FakePasswordLock lock;
    std::unique_ptr<SerialStore> serials;
    std::unique_ptr<ResultStore> results;
    ScriptedDialogs dialogs;
    std::vector<int> modes;
    std::unique_ptr<StandaloneProgram> program;
  };

private slots:
  void startsAsCreatedAndNeedsOneUnlockBeforeTesting();
  void runsFromTheStartButtonToALampAndALogRow();
  void aFailedFirstLoadIsTriedAgainOnTheNextStart();
  void configurationWindowWorksOnTheStationFile();
};

void FrmMainSTest::startsAsCreatedAndNeedsOneUnlockBeforeTesting() {
  Bench bench;
  station::frmMainS& w = bench.Window();
  bench.program->Start();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QCOMPARE(w.windowTitle(), QString("Gangwright - Single Station Software"));
  QCOMPARE(w.cmdStart->text(), QString("&Start Test"));
  QCOMPARE(w.cmdStart->property("tag").toString(), QString("1"));
  QCOMPARE(w.cmdQuickLock->toolTip(), QString("Locks with the previous password specified."));
  QVERIFY(!w.cmdStart->isEnabled());
  QVERIFY(!w.cmdQuickLock->isEnabled());
  QVERIFY(!w.cmdConfigVTI->isVisible() && !w.cmdConfigGlobal->isVisible());
  QVERIFY(!w.chkUseCalBrd->isChecked());
  QVERIFY(bench.dialogs.Messages().empty());  // the jig's adapter was attached
  for (int i = 0; i < kLampCount; ++i) {
    QCOMPARE(FillOf(w.shpStatus[i]), QColor(128, 128, 128));
    QCOMPARE(w.Label1[i]->text(), QString(kLampCaptions[i]));
  }
  QCOMPARE(w.lblStatus->text(), QString());

  w.mnuFileUnlock->trigger();
  Screenshot(w, "station_unlocked.png");
  QTest::mouseClick(w.cmdConfigGlobal, Qt::LeftButton);
  QCOMPARE(bench.modes, std::vector<int>{kCfgModeGlobal});
  QTest::mouseClick(w.cmdQuickLock, Qt::LeftButton);
  QVERIFY(w.cmdStart->isEnabled() && !w.cmdConfigGlobal->isVisible());

  std::unique_ptr<frmAbout> about(frmAbout::ForTester(&w));
  about->show();
  QVERIFY(QTest::qWaitForWindowExposed(about.get()));
  QCOMPARE(about->lblProduct->text(), QString("Ardentis"));
  QCOMPARE(about->lblVersion->text(), QString("Version 1.1.0"));
  Screenshot(*about, "about_ardentis.png");
  std::unique_ptr<frmAbout> gauge(frmAbout::ForGaugeControl(&w));
  QCOMPARE(gauge->windowTitle(), QString("About Kestrel"));
}

void FrmMainSTest::runsFromTheStartButtonToALampAndALogRow() {
  Bench bench;
  station::frmMainS& w = bench.Window();
  bench.program->Start();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  bench.lock.Unlock();
  bench.lock.Lock();
  QTest::mouseClick(w.chkUseCalBrd, Qt::LeftButton, {}, QPoint(8, w.chkUseCalBrd->height() / 2));
  QVERIFY(bench.program->Site().StationContext().board.UseCalBrd());
  bench.program->Logic().SetState(vb_cbReady, "Ready...");
  Screenshot(w, "station_ready.png");

  bool grabbed = false;
  bool start_during_run = true;
  bench.program->Logic().OnChange([&] {
    if (grabbed || bench.program->Logic().Controls().lit_lamp != 1) return;
    grabbed = true;
    start_during_run = w.cmdStart->isEnabled();
    QCOMPARE(FillOf(w.shpStatus[1]), QColor(255, 176, 80));
    Screenshot(w, "station_running.png");
  });
  QTest::mouseClick(w.cmdStart, Qt::LeftButton);
  QVERIFY(grabbed);
  QVERIFY(!start_during_run);
  QCOMPARE(bench.Logged().size(), size_t{1});
  QCOMPARE(bench.Logged()[0].station, std::string("Station01"));
  QCOMPARE(bench.Logged()[0].err_code, 0);
  QVERIFY(bench.Logged()[0].serial != "0");
  QCOMPARE(FillOf(w.shpStatus[2]), QColor(0, 255, 0));
  QCOMPARE(FillOf(w.Label1[2]), QColor(0, 255, 0));
  QCOMPARE(FillOf(w.shpStatus[1]), QColor(128, 128, 128));
  QVERIFY(w.windowTitle().startsWith("Ardentis - "));
  QVERIFY(w.cmdStart->isEnabled());
  Screenshot(w, "station_pass.png");

  QTest::mouseClick(w.cmdStart, Qt::LeftButton);  // the wrong-firmware pack
  QCOMPARE(bench.Logged().size(), size_t{2});
  QVERIFY(bench.Logged()[0].err_code != 0);
  QCOMPARE(FillOf(w.shpStatus[3]), QColor(255, 0, 0));
  QCOMPARE(FillOf(w.shpStatus[2]), QColor(128, 128, 128));
  Screenshot(w, "station_fail.png");
}

void FrmMainSTest::aFailedFirstLoadIsTriedAgainOnTheNextStart() {
  Bench bench;
  station::frmMainS& w = bench.Window();
  const std::string good = bench.home.Read("ardentis.ini");
  std::string bad = good;
  const std::string image = "Tester_800.1.02.rom";
  bad.replace(bad.find(image), image.size(), "missing.rom");
  bench.home.Write("ardentis.ini", bad);
  bench.program->Start();
  bench.lock.Unlock();
  bench.lock.Lock();
  bench.program->Logic().UseCalBoard(true);
  QTest::mouseClick(w.cmdStart, Qt::LeftButton);
  QVERIFY(!bench.dialogs.Messages().empty());
  QCOMPARE(bench.dialogs.Messages().back(),
           std::string("InitCacheFromSetup() returned error loading ini file settings/Data "
                       "flash image"));
  QVERIFY(bench.Logged().empty());
  QVERIFY(w.cmdStart->isEnabled());

  bench.home.Write("ardentis.ini", good);
  QTest::mouseClick(w.cmdStart, Qt::LeftButton);
  QCOMPARE(bench.Logged().size(), size_t{1});
}

// The configuration window as the program opens it: the station file's references in
// mode 0 (one total voltage for this station), saved into the file; the global editor in
// mode 1.
void FrmMainSTest::configurationWindowWorksOnTheStationFile() {
  Bench bench;
  bench.program->Start();
  std::unique_ptr<frmTesterCfg> vti = bench.program->MakeConfigWindow();
  vti->Prepare(kCfgModeVti);
  vti->show();
  QVERIFY(QTest::qWaitForWindowExposed(vti.get()));
  QVERIFY(vti->txtVoltage[0]->isVisible() && !vti->txtVoltage[1]->isVisible());
  QCOMPARE(vti->Label1[0]->text(), QString("Total Voltage"));
  vti->txtCurrent->setText("1800");
  QTest::mouseClick(vti->cmdOK, Qt::LeftButton);
  QVERIFY(!vti->isVisible());
  TesterConfigStore saved;
  saved.IniFile = bench.program->OwnIni();
  saved.LoadVTIConfig();
  QCOMPARE(saved.RefCurrent, 1800);

  std::unique_ptr<frmTesterCfg> global = bench.program->MakeConfigWindow();
  global->Prepare(kCfgModeGlobal);
  global->show();
  QVERIFY(QTest::qWaitForWindowExposed(global.get()));
  QVERIFY(global->GlobalConfig1 != nullptr && global->GlobalConfig1->isVisible());
  QVERIFY(bench.dialogs.Messages().empty());
  Screenshot(*global, "frmTesterCfg_global.png");
  global->close();
}

}  // namespace tester

QTEST_MAIN(tester::FrmMainSTest)
#include "frm_main_s_test.moc"
