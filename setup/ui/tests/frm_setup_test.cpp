// The wizard's window on a virtual jig, page by page: the lock at load, the search, names
// typed into the rows, the lights, the probe page, the global configuration page and its
// size, the finish that closes the window, and the about box. Screenshots of each page.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "components/adapter_identity.h"
#include "components/password_file.h"
#include "components/password_lock.h"
#include "components/password_prompt.h"
#include "components/tester_config_store.h"
#include "components/ui/global_config_editor.h"
#include "platform/profile.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "setup/setup_wizard.h"
#include "setup/ui/frm_setup.h"
#include "setup/ui/frm_setup_about.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"

namespace tester::test {

class FrmSetupTest : public QObject {
  Q_OBJECT

private:
  struct OnePassword final : PasswordPrompt {
    std::optional<std::string> AskPassword(const std::string&, const std::string&) override {
      return std::string("bench-7");
    }
  };

  // Four stations: the third an advanced board among normal ones, the fourth without an
  // external probe.
  static std::string JigText() {
    std::string jig;
    const char* keys[] = {"", "", "advanced = yes\nsensors = 0x90 0x92\n", "sensors = 0x94\n"};
    // The first is the demo's Bay01.
    for (int i = 0; i < 4; ++i) {
      jig += "[adapter 7C3E51A0B2004D009E8D7C6B5A49382" + std::to_string(i == 0 ? 7 : i) +
             "]\ncal_board = yes\nsensors = 0x90 0x94\n" + keys[i] + "[pack p]\nfamily = 1\n";
    }
    return jig;
  }

  struct Rig {
    Rig() {
      std::string error;
      std::optional<JigDescription> jig = ParseJigText(JigText(), error);
      control = MakeSimControl(jig.value_or(JigDescription{}), home.Locks(), clock, error);
      SavePassword(PasswordFilePath(home.Home()), "bench-7", kMinPasswordIterations);
      lock = std::make_unique<PasswordLock>(home.Home(), dialogs, prompt);
      wizard = std::make_unique<SetupWizard>(
          SetupParts{*control, identity, dialogs, clock, home.Home(),
                     [] { return std::make_unique<TesterConfigStore>(); }});
      window = std::make_unique<frmSetup>(*wizard);
      window->SetLock(lock.get());
      window->show();
      window->Load();
    }
    ~Rig() { window.reset(); }
    template <typename T = QWidget>
    T* Find(const QString& name) {
      return window->findChild<T*>(name);
    }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    std::string Jig(const std::string& section, const std::string& key) {
      return profile::ReadString(home.File("JigSetup.ini"), section, key, "<none>", 255);
    }

    DemoHome home{DemoFolder(), "tester-setup-ui"};
    VirtualClock clock;
    ScriptedDialogs dialogs;
    OnePassword prompt;
    AdapterIdentity identity;
    std::unique_ptr<SimControl> control;
    std::unique_ptr<PasswordLock> lock;
    std::unique_ptr<SetupWizard> wizard;
    std::unique_ptr<frmSetup> window;
  };

  static void Grab(QWidget& widget, const QString& name) {
    QDir().mkpath(TESTER_SCREENSHOT_DIR);
    QVERIFY(widget.grab().save(QString(TESTER_SCREENSHOT_DIR) + "/" + name));
  }

private slots:
  void thePagesFollowOneAnotherAndTheFilesAreWritten() {
    Rig rig;
    QVERIFY(rig.control);
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QCOMPARE(rig.window->windowTitle(), QString("Station Setup for Gangwright "));
    QCOMPARE(rig.Find<QGroupBox>("Frame2")->title(), QString("Boards found for setup"));
    // The lock applies at load.
    QVERIFY(!rig.Find("Frame2")->isEnabled());
    QVERIFY(!rig.Button("cmdSearch")->isEnabled());
    QCOMPARE(rig.Find<QLabel>("lblBrdName(0)")->text(), QString("..."));
    Grab(*rig.window, "frmSetup-locked.png");
    rig.Click("cmdUnlock");
    QVERIFY(rig.Find("Frame2")->isEnabled());

    rig.Click("cmdSearch");
    QCOMPARE(rig.dialogs.Messages(),
             std::vector<std::string>{"Detected inconsistant board type for board number 2"});
    QCOMPARE(rig.Find<QLabel>("lblBrdName(1)")->text(), QString("1.  Found"));
    QCOMPARE(rig.Find<QLabel>("lblBrdName(1)")->toolTip(),
             QString("7C3E51A0B2004D009E8D7C6B5A493821"));
    QCOMPARE(rig.Find<QLabel>("lblBrdName(4)")->text(), QString("Not found"));
    QVERIFY(!rig.Find("txtCustomName(4)")->isVisible());
    QVERIFY(rig.Find("lblAdvanced(2)")->isVisible());
    QVERIFY(rig.Find("lblAdvancedNote")->isVisible());
    QVERIFY(!rig.Find("chkITS(2)")->isEnabled());
    QVERIFY(!rig.Find("txtV(0)")->isVisible());
    QVERIFY(!rig.Find<QCheckBox>("chkETS(3)")->isChecked());
    // Station names: the demo's JigSetup.ini knows none of these adapters but the first.
    QCOMPARE(rig.Find<QLineEdit>("txtCustomName(0)")->text(), QString("Bay01"));
    for (int i = 1; i < 4; ++i) {
      QTest::keyClicks(rig.Find(QString("txtCustomName(%1)").arg(i)),
                       QString("Bay 0%1").arg(i + 1));
    }
    QTest::mouseClick(rig.Find<QCheckBox>("chkTest(3)"), Qt::LeftButton);
    QTest::mouseClick(rig.Find<QCheckBox>("chkFlash(1)"), Qt::LeftButton);
    QCOMPARE(rig.control->Station(1).CalBoard().Port().Leds(), uint8_t{0x0F});
    Grab(*rig.window, "frmSetup-boards.png");

    rig.Click("cmdNext");
    QVERIFY(!rig.Find("Frame2")->isVisible());
    QVERIFY(rig.Find("Frame4")->isVisible());
    QCOMPARE(rig.control->Station(1).CalBoard().Port().Leds(), uint8_t{0});
    QCOMPARE(rig.Jig("BoardMapping", "7C3E51A0B2004D009E8D7C6B5A493823"), std::string("Bay04"));
    auto* probe3 = rig.Find<QComboBox>("ComboProbe(3)");
    QVERIFY(!probe3->isVisible());  // Bay04 does not test
    QVERIFY(rig.Find("ComboProbe(0)")->isVisible());
    QCOMPARE(rig.Find<QLabel>("lblName(2)")->text(), QString("Bay03"));
    auto* probe1 = rig.Find<QComboBox>("ComboProbe(1)");
    QCOMPARE(probe1->itemText(0), QString("No tracking - Use entered value"));
    QCOMPARE(probe1->count(), 1 + 2 + 2 + 0 + 1 + 1);  // row 2 lost its on-board sensor
    probe1->setCurrentIndex(2);
    emit probe1->activated(2);
    Grab(*rig.window, "frmSetup-probes.png");

    rig.Click("cmdTProbeNext");
    QVERIFY(rig.Find("Frame3")->isVisible());
    QCOMPARE(rig.Jig("Bay02", "Probe"), std::string("EBay01"));
    QCOMPARE(rig.Jig("Bay04", "Probe"), std::string("IBay04"));  // as the demo stored it
    GlobalConfigEditor* editor = rig.window->GlobalConfig1();
    QWidget* finish = rig.Button("cmdFinish");
    QCOMPARE(finish->x(), editor->width() + 2 * editor->x());
    QCOMPARE(rig.Find("Frame3")->width(), editor->width() + 3 * editor->x() + finish->width());
    QCOMPARE(rig.Find("Frame3")->height(), editor->height() + 2 * editor->y());
    QCOMPARE(rig.window->height(), 2 * rig.Find("Frame3")->y() + rig.Find("Frame3")->height());
    Grab(*rig.window, "frmSetup-global.png");

    rig.Click("cmdFinish");
    QVERIFY(!rig.window->isVisible());
    QCOMPARE(profile::ReadString(rig.home.File("Bay03"), "Target", "TargetName", "", 64),
             std::string("800.1.02"));
    QCOMPARE(rig.dialogs.Messages().size(), std::size_t{1});
  }

  void aDoubleClickShowsTheAboutBox() {
    Rig rig;
    QString version;
    QTimer::singleShot(0, [&] {
      if (auto* about = qobject_cast<SetupAboutBox*>(QApplication::activeModalWidget())) {
        version = about->Version();
        Grab(*about, "frmSetup-about.png");
        QTest::mouseClick(about->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
      }
    });
    QTest::mouseDClick(rig.window.get(), Qt::LeftButton);
    QCOMPARE(version, QString("Version 1.0.0 Rigwright station setup wizard"));
  }
};

}  // namespace tester::test

QTEST_MAIN(tester::test::FrmSetupTest)
#include "frm_setup_test.moc"
