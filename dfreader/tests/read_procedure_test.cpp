// The read procedure on the virtual jig: what it writes, the questions it asks, and every
// way it fails without leaving a file.
#include <filesystem>

#include "components/image_digest.h"
#include "dfreader/form_state.h"
#include "dfreader/tests/reader_fixture.h"
#include "gauge/image_file.h"

namespace tester::readertest {
namespace {

namespace fs = std::filesystem;

const std::string kFailed = LoadMessage(kMsgDfReadError);

TEST_F(ReaderTest, ReadsTheReferenceIntoTheImageTheStationsProgram) {
  for (const std::size_t station : {kStation800, kStation450, kStation100}) {
    SCOPED_TRACE(station);
    reader.reset();
    Start(OneStation(station), station == kStation100 ? "100.1.09" : "800.1.02");
    Form().EditImageFile(home.File("golden.rom"));
    ASSERT_TRUE(reader->ReadDFImage()) << testing::PrintToString(Messages());
    const std::string target = Form().CurrentTarget();
    // The demo images were read from the same reference packs.
    EXPECT_EQ(Read("golden.rom"), Read(DefaultImageFileName(target)));
    EXPECT_EQ(CheckImageDigest(home.File("golden.rom")).verdict, DigestVerdict::kMatch);
    EXPECT_EQ(Form().Status(), home.File("golden.rom") + "\n" + kStatusCreated);
    EXPECT_EQ(Messages().back(), Msg(kMsgImageCreated));
    EXPECT_EQ(control->BusMode(), 0);
    dialogs = ScriptedDialogs{};
    fs::remove(home.File("golden.rom"));
  }
}

TEST_F(ReaderTest, TwoAdaptersOpenNoLinkAndTheReadFailsAtDetection) {
  home.Write("flashwright.ini", "[1]\n1=/keep/this.rom\n");
  Start(DefaultJig());
  EXPECT_EQ(outcome, ImageReader::LinkOutcome::kTooManyAdapters);
  EXPECT_EQ(Form().Status(), kStatusTooManyAdapters);
  Form().EditImageFile(home.File("golden.rom"));
  EXPECT_FALSE(reader->ReadDFImage());
  EXPECT_EQ(Messages(), (std::vector<std::string>{kOnlyOneAdapterMessage,
                                                  Msg(kMsgCommErrorReading), kFailed}));
  EXPECT_EQ(Form().Status(), kStatusReadFailed);
  // The state file was never loaded, so the unload leaves it as it was.
  reader->Unload();
  EXPECT_EQ(Read("flashwright.ini"), "[1]\n1=/keep/this.rom\n");
}

TEST_F(ReaderTest, A560TargetIsDetectedThroughRegistersAndFailsOnAnSMBusGauge) {
  Start(OneStation(kStation800), "560.1.00");
  Form().EditImageFile(home.File("golden.rom"));
  EXPECT_FALSE(reader->ReadDFImage());
  EXPECT_EQ(Messages(), (std::vector<std::string>{Msg(kMsgCommErrorReading), kFailed}));
  EXPECT_FALSE(fs::exists(home.File("golden.rom")));
}

TEST_F(ReaderTest, FileNamesAreAskedForPlacedAndChecked) {
  Start(OneStation(kStation800));
  // An empty box asks; a cancelled input box is a bad file name.
  Form().EditImageFile("");
  dialogs.QueueText(std::nullopt);
  EXPECT_FALSE(reader->ReadDFImage());
  ASSERT_EQ(dialogs.shown().size(), 3u);
  EXPECT_EQ(dialogs.shown()[0].text, Msg(kMsgAskImageFileName));
  EXPECT_EQ(dialogs.shown()[0].title, Msg(kMsgImageReaderTitle));
  EXPECT_EQ(dialogs.shown()[0].preset, "Tester_800.1.02.rom");
  EXPECT_EQ(Messages(), (std::vector<std::string>{Msg(kMsgBadFileName), kFailed}));

  // A bare name, blanks around it, lands in the current folder.
  dialogs = ScriptedDialogs{};
  Form().EditImageFile("  bare.rom ");
  EXPECT_TRUE(reader->ReadDFImage());
  EXPECT_EQ(reader->LastImage(), home.File("bare.rom"));
  EXPECT_TRUE(fs::exists(home.File("bare.rom.sha256")));

  // A missing folder is named, then the name is bad.
  dialogs = ScriptedDialogs{};
  Form().EditImageFile(home.Root() + "/missing/x.rom");
  EXPECT_FALSE(reader->ReadDFImage());
  EXPECT_EQ(Messages(), (std::vector<std::string>{Msg(kMsgPathMissing, home.Root() + "/missing/"),
                                                  Msg(kMsgBadFileName), kFailed}));
}

TEST_F(ReaderTest, OnlyTheFileConfirmedInTheSaveDialogIsOverwrittenWithoutAsking) {
  Start(OneStation(kStation800));
  const std::string path = home.File("Tester_800.1.02.rom");
  dialogs.QueueSaveFile(path);
  reader->Browse();
  EXPECT_EQ(Form().ImageFile(), path);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].title, kSaveDialogTitle);
  EXPECT_EQ(dialogs.shown()[0].text, kSaveDialogFilter);
  EXPECT_EQ(dialogs.shown()[0].extension, ".rom");
  EXPECT_TRUE(reader->ReadDFImage());
  EXPECT_EQ(dialogs.script_errors().size(), 0u);

  // The same path typed by hand asks; No keeps the file.
  home.Write("Tester_800.1.02.rom", "older");
  Form().EditImageFile(path);
  dialogs.QueueYesNo(false);
  EXPECT_FALSE(reader->ReadDFImage());
  EXPECT_EQ(dialogs.shown().back().text, kFailed);
  EXPECT_EQ(Read("Tester_800.1.02.rom"), "older");
  const auto& asked = dialogs.shown()[dialogs.shown().size() - 2];
  EXPECT_EQ(asked.kind, DialogKind::kYesNo);
  EXPECT_EQ(asked.text, Msg(kMsgConfirmOverwrite, "\n" + path));
}

// Command set 5 switches the adapter to the register-style bus for its loader; whatever
// happens, the adapter is back on SMBus when the read is over.
TEST_F(ReaderTest, CommandSet5LeavesTheBusModeAtZeroAfterEveryOutcome) {
  struct Case {
    const char* name;
    int fail_at;
    bool bad_checksum;
    bool declined;
  };
  // Transfer 20 lies in the row reads; a wrong checksum fails the write-back.
  for (const Case& c : {Case{"read", 0, false, false}, Case{"transfer", 20, false, false},
                        Case{"checksum", 0, true, false}, Case{"declined", 0, false, true}}) {
    SCOPED_TRACE(c.name);
    reader.reset();
    dialogs = ScriptedDialogs{};
    Start(OneStation(kStation450, [&](PackDescription& pack) {
      pack.defects.fail_at = c.fail_at;
      pack.defects.bad_checksum = c.bad_checksum;
    }));
    Form().EditImageFile(home.File("Tester_450.2.01.rom"));
    if (c.declined) home.Write("Tester_450.2.01.rom", "older");
    dialogs.QueueYesNo(!c.declined);
    EXPECT_EQ(reader->ReadDFImage(), std::string(c.name) == "read");
    EXPECT_EQ(ReachedTheRows(), !c.declined);
    EXPECT_EQ(control->BusMode(), 0);
  }
}

TEST_F(ReaderTest, AFailedReadWritesNoFile) {
  struct Case {
    std::size_t station;
    int fail_at;
    bool bad_checksum;
  };
  // SMBus rows, register-style rows, and a register-style image the gauge does not confirm.
  for (const Case& c : {Case{kStation800, 60, false}, Case{kStation100, 100, false},
                        Case{kStation100, 0, true}}) {
    SCOPED_TRACE(testing::Message() << c.station << " " << c.fail_at);
    reader.reset();
    Start(OneStation(c.station, [&](PackDescription& pack) {
            pack.defects.fail_at = c.fail_at;
            pack.defects.bad_checksum = c.bad_checksum;
          }),
          c.station == kStation100 ? "100.1.09" : "800.1.02");
    const std::size_t entries = home.Scratch().EntryCount();
    const std::size_t files = std::distance(fs::directory_iterator(home.Home()), {});
    Form().EditImageFile(home.File("golden.rom"));
    EXPECT_FALSE(reader->ReadDFImage());
    EXPECT_TRUE(ReachedTheRows());
    EXPECT_EQ(Form().Status(), kStatusReadFailed);
    EXPECT_EQ(home.Scratch().EntryCount(), entries);
    EXPECT_EQ(std::distance(fs::directory_iterator(home.Home()), {}), files);
  }
}

TEST_F(ReaderTest, AFileErrorIsNamedAndEndsTheRead) {
  Start(OneStation(kStation800));
  const std::string folder = home.Scratch().Folder("taken.rom");  // a folder by that name
  Form().EditImageFile(folder);
  EXPECT_FALSE(reader->ReadDFImage());
  const std::vector<std::string> shown = Messages();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].rfind(Msg(kMsgErrorWritingFile, folder + "\n"), 0), 0u) << shown[0];
  EXPECT_EQ(shown[1], FormatStatus(kFailed + " ", kStatusImageFileUnreadable));
  EXPECT_EQ(shown[2], kFailed);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_FALSE(fs::exists(folder + ".sha256"));
}

TEST_F(ReaderTest, AnUnsupportedTargetOpensTheChooser) {
  home.Write("Targets", "\"450 gauge\",450.2.01\n");
  Start(OneStation(kStation800));
  chooser.answer = "450.2.01";
  EXPECT_FALSE(reader->ReadDFImage());
  EXPECT_EQ(Messages(), (std::vector<std::string>{Msg(kMsgUnsupportedTarget),
                                                  Msg(kMsgChooseTarget), kFailed}));
  EXPECT_EQ(chooser.shown, 1);
  EXPECT_EQ(Form().CurrentTarget(), "450.2.01");
  EXPECT_EQ(Form().TargetDescription(), "450 gauge");
}

TEST_F(ReaderTest, AGaugeInPermanentFailureOrUnreadableSettingsAreRefused) {
  Start(OneStation(kStation800,
                   [](PackDescription& pack) { pack.defects.permanent_failure = true; }));
  Form().EditImageFile(home.File("golden.rom"));
  EXPECT_FALSE(reader->ReadDFImage());
  EXPECT_EQ(Messages(), (std::vector<std::string>{Msg(kMsgPermanentFail), kFailed}));

  // A geometry nobody chose would make a wrong golden image.
  reader.reset();
  dialogs = ScriptedDialogs{};
  std::string config = Read("Config.ini");
  config.replace(config.find("DF_PROGROW_SZ=32"), 16, "DF_PROGROW_SZ=3x");
  home.Write("Config.ini", config);
  Start(OneStation(kStation800));
  Form().EditImageFile(home.File("golden.rom"));
  EXPECT_FALSE(reader->ReadDFImage());
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[0].find("DF_PROGROW_SZ"), std::string::npos) << Messages()[0];
  EXPECT_FALSE(fs::exists(home.File("golden.rom")));
}

// A menu click served inside one of the read's waits does not start a second read.
TEST_F(ReaderTest, AReadAskedForDuringAReadIsIgnored) {
  Start(OneStation(kStation800));
  Form().EditImageFile(home.File("golden.rom"));
  int nested = 0;
  clock.StartTimer(5, [&] { nested += reader->ReadDFImage() ? 10 : 1; }, TimerKind::kOneShot);
  EXPECT_TRUE(reader->ReadDFImage());
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(Messages(), std::vector<std::string>{Msg(kMsgImageCreated)});
}

TEST_F(ReaderTest, TheStateFileKeepsTheTargetAndTheBox) {
  Start(OneStation(kStation800));
  EXPECT_EQ(outcome, ImageReader::LinkOutcome::kOpened);
  reader.reset();  // defaults of a first start
  ReaderForm fresh;
  LoadFormState(ReaderStateFile(home.Home()), fresh);
  EXPECT_EQ(fresh.CurrentTarget(), "800.1.02");
  EXPECT_EQ(fresh.ImageFile(), "Tester_.rom");

  Start(OneStation(kStation100), "100.1.09");
  Form().EditImageFile("/images/golden 100.rom");
  reader->Unload();
  reader.reset();
  Start(OneStation(kStation100), "");
  reader->Unload();  // an empty current target leaves DevVer as it was
  LoadFormState(ReaderStateFile(home.Home()), fresh);
  EXPECT_EQ(fresh.CurrentTarget(), "100.1.09");
  EXPECT_EQ(fresh.ImageFile(), "/images/golden 100.rom");
}

}  // namespace
}  // namespace tester::readertest
