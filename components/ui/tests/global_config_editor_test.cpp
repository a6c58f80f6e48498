// The global configuration editor over a settings file, and the password box, on the
// offscreen platform; both are grabbed into TESTER_SCREENSHOT_DIR.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

#include "components/config_keys.h"
#include "components/ui/global_config_editor.h"
#include "components/ui/password_dialog.h"
#include "testing/scratch_folder.h"

namespace tester {

class GlobalConfigEditorTest : public QObject {
  Q_OBJECT

private:
  static void Grab(QWidget& widget, const QString& name) {
    QDir().mkpath(TESTER_SCREENSHOT_DIR);
    QVERIFY(widget.grab().save(QString(TESTER_SCREENSHOT_DIR) + "/" + name + ".png"));
  }

private slots:
  void EveryGlobalKeyHasItsWidget() {
    GlobalConfigEditor editor;
    QCOMPARE(editor.objectName(), QString("GlobalConfig1"));
    for (const ConfigKey& key : ConfigKeys()) {
      QWidget* input = editor.findChild<QWidget*>(QString::fromUtf8(key.key.data(),
                                                                    key.key.size()));
      if (key.scope != KeyScope::kGlobal) {
        QVERIFY(input == nullptr);
        continue;
      }
      QVERIFY2(input != nullptr, key.key.data());
      QVERIFY(!input->toolTip().isEmpty());
      if (key.kind == ValueKind::kFlag) QVERIFY(qobject_cast<QCheckBox*>(input));
      if (key.kind == ValueKind::kInt16) {
        auto* spin = qobject_cast<QSpinBox*>(input);
        QVERIFY(spin);
        QCOMPARE(spin->minimum(), static_cast<int>(key.min));
        QCOMPARE(spin->maximum(), static_cast<int>(key.max));
      }
    }
  }

  void EditsRoundTripThroughTheFileKeepingCommentsAndUnknownKeys() {
    test::ScratchFolder folder("global-editor");
    const std::string original =
        "; jig 7, line 3\n[Steps]\nProgramDataFlash=1\nOperatorBadge=\"A-113\"\n"
        "[Target]\nTargetName=\"800.1.02\"\nCellCount=3\n[References]\nRefCurrent=2000\n";
    const std::string path = folder.Write("global.ini", original);
    GlobalConfigEditor editor;
    editor.resize(editor.sizeHint());
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QCOMPARE(QString::fromStdString(editor.LoadFrom(path)), QString());
    auto* cells = editor.findChild<QSpinBox*>("CellCount");
    auto* program = editor.findChild<QCheckBox*>("ProgramDataFlash");
    auto* target = editor.findChild<QLineEdit*>("TargetName");
    QCOMPARE(cells->value(), 3);
    QVERIFY(program->isChecked());
    QCOMPARE(target->text(), QString("800.1.02"));
    Grab(editor, "global_config_editor");

    cells->setValue(4);
    program->setChecked(false);
    QCOMPARE(QString::fromStdString(editor.SaveTo(path)), QString());
    QCOMPARE(QString::fromStdString(folder.Read("global.ini")),
             QString::fromStdString(
                 "; jig 7, line 3\n[Steps]\nProgramDataFlash=0\nOperatorBadge=\"A-113\"\n"
                 "[Target]\nTargetName=\"800.1.02\"\nCellCount=4\n[References]\n"
                 "RefCurrent=2000\n"));
    QCOMPARE(folder.EntryCount(), std::size_t{1});
    QCOMPARE(editor.Width(), editor.width());
  }

  void AValueTheKeyRefusesIsNamed() {
    test::ScratchFolder folder("global-editor");
    const std::string path = folder.Write("global.ini", "[Limits]\nTempOffsetTolerance=-5\n");
    GlobalConfigEditor editor;
    const QString error = QString::fromStdString(editor.LoadFrom(path));
    QVERIFY2(error.contains("TempOffsetTolerance") && error.contains("outside 0 to 32767"),
             qPrintable(error));
    auto* target = editor.findChild<QLineEdit*>("TargetName");
    target->setText("800.1.02\n");  // pasted with its line end
    QVERIFY(QString::fromStdString(editor.SaveTo(path)).startsWith("Target name (TargetName)"));
    QCOMPARE(QString::fromStdString(folder.Read("global.ini")),
             QString("[Limits]\nTempOffsetTolerance=-5\n"));
  }

  void PasswordBoxHidesWhatIsTyped() {
    std::unique_ptr<QInputDialog> box = PasswordDialog::MakeBox(nullptr, "Password:", "Password");
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    auto* line = box->findChild<QLineEdit*>();
    QVERIFY(line);
    QCOMPARE(line->echoMode(), QLineEdit::Password);
    QTest::keyClicks(line, "secret");
    QCOMPARE(box->textValue(), QString("secret"));
    Grab(*box, "password_dialog");
  }
};

}  // namespace tester

QTEST_MAIN(tester::GlobalConfigEditorTest)
#include "global_config_editor_test.moc"
