// The image reader's window on one station of the virtual jig: its controls and menus,
// a read from the button with its screenshots before and after, the save dialog, the
// target chooser and the state file written on closing.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "dfreader/form_state.h"
#include "dfreader/ui/frm_main_s.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"
#include "testing/jig_station.h"

namespace tester {
namespace {

class Chooser final : public TargetChooser {
public:
  std::string ChooseTarget() override { return answer; }
  std::string answer;
};

// The reader and its window on the demo jig's SMBus station, loaded.
struct Bench {
  Bench() {
    JigDescription jig = DefaultJig();
    jig.adapters = {jig.adapters.at(0)};
    std::string error;
    control = MakeSimControl(jig, home.Locks(), clock, error);
    reader = std::make_unique<ImageReader>(
        ReaderEnvironment{clock, *control, dialogs, chooser, home.Home(), home.Home()});
    window = std::make_unique<frmMainS>(*reader);
    reader->Load();
  }
  void Shoot(const char* name) {
    QDir().mkpath(TESTER_SCREENSHOT_DIR);
    QVERIFY(window->grab().save(QString(TESTER_SCREENSHOT_DIR "/") + name));
  }

  VirtualClock clock;
  test::DemoHome home{test::DemoFolder(), "tester-reader-window"};
  ScriptedDialogs dialogs;
  Chooser chooser;
  std::unique_ptr<SimControl> control;
  std::unique_ptr<ImageReader> reader;
  std::unique_ptr<frmMainS> window;
};

QStringList MenuTexts(QMenuBar* bar) {
  QStringList texts;
  for (QAction* menu : bar->actions()) {
    texts << menu->text();
    for (QAction* item : menu->menu()->actions()) texts << "  " + item->text();
  }
  return texts;
}

}  // namespace

class FrmMainSTest : public QObject {
  Q_OBJECT

private slots:
  void ReadsFromTheButtonAndShowsTheOutcome() {
    Bench bench;
    frmMainS& w = *bench.window;
    QCOMPARE(w.windowTitle(), QString("Ardentis Software DataFlash Reader"));
    QCOMPARE(w.size(), QSize(352, 205));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(w.cmdBrowse->text(), QString("..."));
    QCOMPARE(w.cmdReadDF->text(), QString("&Read Data Flash Image"));
    QCOMPARE(w.txtDFImageFile->text(), QString("Tester_.rom"));
    QCOMPARE(w.lblCurrTgt->text(), QString("800 SMBus gauge, firmware 1.02"));
    QCOMPARE(MenuTexts(w.menuBar()),
             (QStringList{"&File", "  Read Data Flash Image", "  &Close", "&Device",
                          "  &Set Target", "  &Auto Detect Target", "&Help", "  &About",
                          "  About Kestrel.oc&x"}));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    bench.Shoot("frmMainS_before_read.png");

    w.txtDFImageFile->clear();
    QTest::keyClicks(w.txtDFImageFile, "Tester_800.1.02.rom");
    QCOMPARE(bench.reader->Form().ImageFile(), std::string("Tester_800.1.02.rom"));
    bench.dialogs.QueueYesNo(true);  // typed by hand over the demo image: asked
    QTest::mouseClick(w.cmdReadDF, Qt::LeftButton);
    QCOMPARE(bench.dialogs.Messages().back(),
             std::string("Data Flash image was created successfully."));
    const std::string path = bench.home.File("Tester_800.1.02.rom");
    QCOMPARE(w.lblStatus->text(),
             QString::fromStdString(path + "\nData Flash image successfully CREATED!"));
    QVERIFY(w.cmdReadDF->isEnabled());
    bench.Shoot("frmMainS_after_read.png");
  }

  void BrowseChooseAndCloseGoThroughTheReader() {
    Bench bench;
    frmMainS& w = *bench.window;
    bench.dialogs.QueueSaveFile("/images/golden.rom");
    QTest::mouseClick(w.cmdBrowse, Qt::LeftButton);
    QCOMPARE(w.txtDFImageFile->text(), QString("/images/golden.rom"));
    QCOMPARE(bench.reader->Form().ConfirmedFile(), std::string("/images/golden.rom"));

    bench.chooser.answer = "100.1.09";
    w.mnuDevSetTgt->trigger();
    QCOMPARE(w.lblCurrTgt->text(), QString("100 register-style gauge, firmware 1.09"));

    w.close();  // Form_Unload saves the state
    ReaderForm saved;
    LoadFormState(ReaderStateFile(bench.home.Home()), saved);
    QCOMPARE(saved.CurrentTarget(), std::string("100.1.09"));
    QCOMPARE(saved.ImageFile(), std::string("/images/golden.rom"));
  }
};

}  // namespace tester

QTEST_MAIN(tester::FrmMainSTest)
#include "frm_main_s_test.moc"
