// Calibration coefficients into the calibration class of data flash: the page each gauge
// family ends up with on the virtual jig, the bus conversation with its waits, the 64-byte
// page routine and its messages, read-back failures, and the refusals that keep every
// write inside the class's page.
#include "calibration/cal_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/status_codes.h"
#include "platform/replay_control.h"
#include "platform/scripted_dialogs.h"
#include "platform/trace_control.h"
#include "testing/gauge_bench.h"
#include "testing/scratch_folder.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using trace::Bytes;

const std::string kWriteFailed =
    "Not able to Write First Calibration block to DataFlash. Please check communications. "
    "Calibration values not written to Dataflash.";
const std::string kReadFailed = "lerror here";
const std::string kReadBackDiffers =
    "Read verification of first block written to Dataflash did not match. Please check "
    "communications. Calibration values incorrectly written to Dataflash.";

// Coefficients whose stored bytes are easy to check by hand:
//   CCGain 1.5 = 0.75 * 2^1 -> 81 40 00 00; CCDelta -0.375 = -0.75 * 2^-1 -> 7F C0 00 00;
//   CCOffsetTotal -300 -> FE D4; BoardOffset -5 -> FF FB; PackGain 0x1ABCD -> AB CD.
CalibrationResults Results() {
  CalibrationResults r;
  r.CellGain = {0x1234, -2, 0x0A0B, 0x7FFF};
  r.PackGain = 0x0001ABCD;
  r.CCOffsetTotal = -300;
  r.BoardOffset = -5;
  r.CCGain = 1.5;
  r.CCDelta = -0.375;
  r.TempOffset = {5, -3, 12, 7, -1};
  return r;
}

CalOptions AllOptions(int16_t cells) {
  CalOptions o;
  o.CalCCOffset = -1;
  o.CalBoardOffset = -1;
  o.CalVoltage = -1;
  o.CalTemperature = -1;
  o.CurrentCalEnabled = -1;
  o.CellCount = cells;
  o.IntTSCalEnabled = -1;
  o.TS1CalEnabled = -1;
  o.TS2CalEnabled = -1;
  o.TS3CalEnabled = -1;
  o.TS4CalEnabled = -1;
  return o;
}

Bytes Pattern(int count, int first) {
  Bytes bytes(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    bytes[static_cast<std::size_t>(i)] = static_cast<uint8_t>(first + i);
  }
  return bytes;
}

Bytes With(Bytes bytes, std::size_t at, const Bytes& values) {
  std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

// ---------------------------------------------------------------- on the virtual jig

// A calibration context on one station of the virtual jig.
class CalOnSim {
public:
  explicit CalOnSim(std::size_t adapter, const JigDescription& jig = DefaultJig())
      : bench(adapter, jig) {
    bench.settings.IntTSSupported = 1;
    bench.settings.TS1Supported = 1;
    bench.settings.TS2Supported = 1;
    bench.settings.TS3Supported = 0;
    bench.settings.TS4Supported = 1;
    bench.settings.SkipVBATCal = 0;
  }

  Status Write(const CalOptions& options) {
    return WriteCalData(ctx, static_cast<uint8_t>(bench.settings.maCommand), options, Results(),
                        kAddrSmbusGauge);
  }
  Bytes Flash() {
    const auto flash = bench.Pack().Memory().DataFlash();
    return Bytes(flash.begin(), flash.end());
  }
  Bytes Page(int address, int size) {
    const Bytes flash = Flash();
    return Bytes(flash.begin() + address, flash.begin() + address + size);
  }
  void Store(int address, const Bytes& bytes) {
    bench.Pack().Memory().StoreDataFlash(address, bytes);
  }

  SimGaugeBench bench;
  ScriptedDialogs dialogs;
  CalBoard board{bench.link, std::string(TESTER_SOURCE_DIR) + "/demo/Config.ini"};
  CalContext ctx{bench.link, board, dialogs};
};

// The data flash outside [address, address + size) is what it was.
void ExpectRestUnchanged(const Bytes& before, const Bytes& after, int address, int size) {
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (static_cast<int>(i) >= address && static_cast<int>(i) < address + size) continue;
    ASSERT_EQ(before[i], after[i]) << "data-flash byte " << i << " changed";
  }
}

TEST(WriteCalDataOnSim, SmbusGaugeWith32BytePages) {
  CalOnSim station(0);  // command set 1
  ASSERT_EQ(station.bench.Family(), 1);
  station.bench.settings.CalibrationClsID = 96;  // page 3, class at its byte 0
  // Temperature bytes before: internal 125 (+5 passes 127), TS1 0 (-3), TS2 -16 (+12).
  station.Store(96, With(Pattern(32, 0x40), 26, {0x7D, 0x00, 0xF0}));
  const Bytes before = station.Flash();
  CalOptions options = AllOptions(3);
  options.TS4CalEnabled = 0;  // TS3 is not supported, TS4 not asked for: both stay
  options.CalTemperature = 1;  // any nonzero flag counts as set

  ASSERT_EQ(station.Write(options), 0);

  const Bytes expected = {
      0x12, 0x34, 0xFF, 0xFE, 0x0A, 0x0B,  // cell gains 1..3, big-endian
      0x46, 0x47, 0x48, 0x49,              // cell 4 (CellCount 3) and a gap
      0xAB, 0xCD,                          // pack gain, low 16 bits
      0x81, 0x40, 0x00, 0x00,              // CCGain 1.5
      0x7F, 0xC0, 0x00, 0x00,              // CCDelta -0.375
      0xFE, 0xD4, 0x56, 0x57,              // CC offset -300
      0xFF, 0xFB,                          // board offset -5
      0x82, 0xFD, 0xFC,                    // internal 125+5 wraps to -126, TS1 -3, TS2 -4
      0x5D, 0x5E, 0x5F};                   // TS3, TS4 untouched, last byte
  EXPECT_EQ(station.Page(96, 32), expected);
  ExpectRestUnchanged(before, station.Flash(), 96, 32);
  EXPECT_TRUE(station.dialogs.shown().empty());
}

TEST(WriteCalDataOnSim, CommandSet2With64BytePages) {
  CalOnSim station(3);
  ASSERT_EQ(station.bench.Family(), 2);
  station.bench.settings.CalibrationClsID = 64;  // page 1 = block command 0x59
  // Temperature bytes before: internal 16, TS1 -128 (-3 wraps up to 125), TS2 122 (+12).
  station.Store(64, With(Pattern(64, 0x80), 37, {0x10, 0x80, 0x7A}));
  const Bytes before = station.Flash();

  ASSERT_EQ(station.Write(AllOptions(4)), 0);

  Bytes expected = Pattern(64, 0x80);
  expected = With(expected, 26, {0x81, 0x40, 0x00, 0x00, 0x7F, 0xC0, 0x00, 0x00});
  expected = With(expected, 34, {0xFE, 0xD4});
  expected = With(expected, 37, {0x15, 0x7D, 0x86});
  expected = With(expected, 40, {0xFF, 0xFB});
  expected = With(expected, 47, {0x12, 0x34, 0xFF, 0xFE, 0x0A, 0x0B, 0x7F, 0xFF});
  EXPECT_EQ(station.Page(64, 64), expected);  // no pack gain, no TS3 / TS4 in this family
  ExpectRestUnchanged(before, station.Flash(), 64, 64);
  EXPECT_TRUE(station.dialogs.shown().empty());
}

TEST(WriteCalDataOnSim, CommandSet5StoresOneByteOfCell1) {
  CalOnSim station(1);
  ASSERT_EQ(station.bench.Family(), 5);
  station.bench.settings.CalibrationClsID = 104;  // page 3, class from its byte 8
  station.Store(96, Pattern(32, 0x20));
  const Bytes before = station.Flash();
  CalOptions options = AllOptions(2);
  options.IntTSCalEnabled = 0;  // its byte would be the board offset's low byte

  ASSERT_EQ(station.Write(options), 0);

  Bytes expected = Pattern(32, 0x20);
  expected = With(expected, 8, {0x81, 0x40, 0x00, 0x00, 0x7F, 0xC0, 0x00, 0x00});
  expected = With(expected, 16, {0xFE, 0xD4});
  expected = With(expected, 20, {0xFF, 0xFB});
  expected = With(expected, 22, {0x36 - 3, 0x34});  // TS1 offset; low byte of cell 1's gain
  EXPECT_EQ(station.Page(96, 32), expected);
  ExpectRestUnchanged(before, station.Flash(), 96, 32);
}

JigDescription WithReadBackCorrupt(std::size_t adapter) {
  JigDescription jig = DefaultJig();
  jig.adapters.at(adapter).packs.at(0).defects.readback_corrupt = true;
  return jig;
}

TEST(WriteCalDataOnSim, AlteredReadBackFailsEveryFamily) {
  for (std::size_t adapter : {0u, 1u}) {
    CalOnSim station(adapter, WithReadBackCorrupt(adapter));
    station.bench.settings.CalibrationClsID = station.bench.Family() == 5 ? 104 : 96;
    // Command set 5 cannot take the board offset and the internal sensor's offset at once.
    if (station.bench.Family() == 5) station.bench.settings.IntTSSupported = 0;
    EXPECT_EQ(station.Write(AllOptions(1)), kStatusCalDataWriteFailed) << adapter;
    EXPECT_TRUE(station.dialogs.shown().empty());
  }
  // The 64-byte routine also tells the operator (the altered byte is CCGain's, byte 26).
  CalOnSim station(3, WithReadBackCorrupt(3));
  station.bench.settings.CalibrationClsID = 64;
  EXPECT_EQ(station.Write(AllOptions(4)), kStatusCalDataWriteFailed);
  EXPECT_EQ(station.dialogs.Messages(), std::vector<std::string>{kReadBackDiffers});
}

// ---------------------------------------------------------------- bus conversation

// A link on a virtual clock answering from a trace and recording, with the milliseconds
// of each operation, what the code asked for.
class CalDataReplayTest : public ::testing::Test {
protected:
  CalDataReplayTest() {
    settings.USB_RESP_TIME = 1;
    settings.COMMANDSET = 1;
    settings.CalibrationClsID = 96;
    settings.IntTSSupported = 1;
    settings.TS1Supported = 1;
    path_ = scratch_.File("trace.txt");
  }
  ~CalDataReplayTest() override {
    link.ReleaseGaugeControl();
    traced_.reset();
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }

  void Replay(const std::string& trace) {
    std::string error;
    auto replay = ReplayControl::FromText(trace, clock, error, &report_);
    ASSERT_NE(replay, nullptr) << error;
    replay_ = replay.get();
    traced_ = std::make_unique<TracingControl>(std::move(replay), clock, path_);
    ASSERT_TRUE(traced_->Ok());
    link.BindGaugeControl(traced_.get());
    expected_ = trace;
    start_us_ = clock.Now();
  }

  Status Write(const CalOptions& options, const CalibrationResults& results = Results()) {
    return WriteCalData(ctx, 0x00, options, results, kAddrSmbusGauge);
  }

  // Every line was asked for, in order, and nothing else.
  void ExpectTraceDone() {
    EXPECT_TRUE(replay_->Complete()) << report_.str();
  }
  // The same, and each operation at the millisecond the trace gives it.
  void ExpectTimedTrace() {
    ExpectTraceDone();
    std::ifstream in(path_);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), expected_);
  }
  int64_t ElapsedMs() const { return (clock.Now() - start_us_) / kMicrosPerMs; }

  VirtualClock clock;
  StationSettings settings;
  GaugeLink link{clock, settings};
  ScriptedDialogs dialogs;
  CalBoard board{link, ""};
  CalContext ctx{link, board, dialogs};

private:
  std::ostringstream report_;
  ReplayControl* replay_ = nullptr;
  std::unique_ptr<TracingControl> traced_;
  test::ScratchFolder scratch_;
  std::string path_;
  std::string expected_;
  int64_t start_us_ = 0;
};

std::string Ms(int ms) { return std::to_string(ms) + " "; }
// Page select (manufacturer access 0x01pp) at `ms`, its bus-status check 1 ms later.
std::string SelectAt(int ms, unsigned page, int bus_status = 0) {
  return Ms(ms) + "PutWord cmd=0x00 word=" + trace::Hex4(0x0100 + page) + " addr=0x17 -> 0\n" +
         Ms(ms + 1) + trace::BusStatus(bus_status);
}
std::string ReadAt(int ms, unsigned cmd, const Bytes& data, int status = 0) {
  return Ms(ms) + trace::ReadBlock(cmd, data, status);
}
std::string WriteAt(int ms, unsigned cmd, const Bytes& data, int status = 0) {
  return Ms(ms) + trace::WriteBlock(cmd, data, status);
}
// Manufacturer-access word 0xF080 ahead of a 64-byte page write.
std::string LeadWordAt(int ms) {
  return Ms(ms) + "PutWord cmd=0x00 word=0xF080 addr=0x17 -> 0\n" + Ms(ms + 1) +
         trace::BusStatus();
}

TEST_F(CalDataReplayTest, SmbusGaugeBothPassesWithTheirWaits) {
  const Bytes page = Pattern(32, 0x00);
  const Bytes current = With(page, 12, {0x81, 0x40, 0x00, 0x00, 0x7F, 0xC0, 0x00, 0x00});
  const Bytes patched = With(current, 24, {0xFF, 0xFB});
  // Current pass: no settling around selects; a block read always costs 120 ms.
  // Patch pass: 60 ms after each select and after the read-back.
  Replay(SelectAt(0, 3) + ReadAt(1, 0x2F, page) +
         SelectAt(121, 3) + WriteAt(122, 0x2F, current) +
         SelectAt(422, 3) + ReadAt(423, 0x2F, current) +
         SelectAt(543, 3) + ReadAt(544, 0x2F, current) +
         SelectAt(664, 3) + WriteAt(725, 0x2F, patched) +
         SelectAt(1025, 3) + ReadAt(1086, 0x2F, patched));
  CalOptions options;
  options.CurrentCalEnabled = -1;
  options.CalBoardOffset = -1;
  EXPECT_EQ(Write(options), 0);
  ExpectTimedTrace();
  EXPECT_EQ(ElapsedMs(), 1266);
}

TEST_F(CalDataReplayTest, CommandSet2PageGoesThroughTheOperatorRoutine) {
  settings.COMMANDSET = 2;
  settings.CalibrationClsID = 64;
  const Bytes page = Pattern(64, 0x00);
  const Bytes current = With(page, 26, {0x81, 0x40, 0x00, 0x00, 0x7F, 0xC0, 0x00, 0x00});
  Replay(ReadAt(0, 0x59, page) + LeadWordAt(120) + WriteAt(271, 0x59, current) +
         ReadAt(341, 0x59, current));
  CalOptions options;
  options.CurrentCalEnabled = -1;
  EXPECT_EQ(Write(options), 0);
  ExpectTimedTrace();
  EXPECT_EQ(ElapsedMs(), 491);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(CalDataReplayTest, ReadBackDifferenceGives65547AndEndsTheRun) {
  const Bytes page = Pattern(32, 0x00);
  const Bytes current = With(page, 12, {0x81, 0x40, 0x00, 0x00, 0x7F, 0xC0, 0x00, 0x00});
  Replay(SelectAt(0, 3) + ReadAt(0, 0x2F, page) + SelectAt(0, 3) + WriteAt(0, 0x2F, current) +
         SelectAt(0, 3) + ReadAt(0, 0x2F, With(current, 31, {0x00})));
  EXPECT_EQ(Write(AllOptions(4)), kStatusCalDataWriteFailed);  // no patch pass follows
  ExpectTraceDone();
}

TEST_F(CalDataReplayTest, ShortReadBackGives65547) {
  const Bytes page = Pattern(32, 0x00);
  const Bytes patched = With(page, 24, {0xFF, 0xFB});
  Replay(SelectAt(0, 3) + ReadAt(0, 0x2F, page) + SelectAt(0, 3) + WriteAt(0, 0x2F, patched) +
         SelectAt(0, 3) + ReadAt(0, 0x2F, Bytes(patched.begin(), patched.end() - 1)));
  CalOptions options;
  options.CalBoardOffset = -1;
  EXPECT_EQ(Write(options), kStatusCalDataWriteFailed);
  ExpectTraceDone();
}

TEST_F(CalDataReplayTest, ShortPageReadIsNeverWrittenBack) {
  Replay(SelectAt(0, 3) + ReadAt(0, 0x2F, Pattern(31, 0x00)));
  CalOptions options;
  options.CalBoardOffset = -1;
  EXPECT_EQ(Write(options), kStatusCalDataWriteFailed);
  ExpectTraceDone();

  settings.COMMANDSET = 2;
  settings.CalibrationClsID = 64;
  Replay(ReadAt(0, 0x59, Pattern(32, 0x00)));
  EXPECT_EQ(Write(options), kStatusCalDataWriteFailed);
  ExpectTraceDone();
}

TEST_F(CalDataReplayTest, FailedTransfersPassTheirStatusOn) {
  CalOptions options;
  options.CalCCOffset = -1;
  Replay(SelectAt(0, 3, 9));
  EXPECT_EQ(Write(options), 9);
  ExpectTraceDone();

  Replay(SelectAt(0, 3) + ReadAt(0, 0x2F, {}, 6));
  EXPECT_EQ(Write(options), 6);
  ExpectTraceDone();

  const Bytes page = Pattern(32, 0x00);
  Replay(SelectAt(0, 3) + ReadAt(0, 0x2F, page) + SelectAt(0, 3) +
         WriteAt(0, 0x2F, With(page, 20, {0xFE, 0xD4}), 4));
  EXPECT_EQ(Write(options), 4);
  ExpectTraceDone();
}

TEST_F(CalDataReplayTest, NothingAskedForMeansNoTraffic) {
  Replay("");
  CalOptions options;
  options.CalSimultaneous = -1;
  options.IntTSCalEnabled = -1;
  EXPECT_EQ(Write(options), 0);
  ExpectTraceDone();
}

// ---------------------------------------------------------------- refusals before any write

TEST_F(CalDataReplayTest, FieldOutsideThePageIsRefusedBeforeAnyTransfer) {
  // Class at 104 = page 3 from byte 8: cell gains (8..15) fit, the board offset (32) not.
  settings.CalibrationClsID = 104;
  CalOptions options;
  options.CalVoltage = -1;
  options.CellCount = 4;
  options.CalBoardOffset = -1;
  Replay("");
  EXPECT_EQ(Write(options), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();

  // Current calibration fields (CCGain at 20..23, CCDelta 24..27) fit; the patch pass's
  // board offset still does not: nothing at all is written.
  options.CurrentCalEnabled = -1;
  EXPECT_EQ(Write(options), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();

  // Without the board offset the same class is written (and no pack gain: skipped).
  options.CalBoardOffset = 0;
  options.CurrentCalEnabled = 0;
  settings.SkipVBATCal = 1;
  const Bytes page = Pattern(32, 0x00);
  const Bytes patched = With(page, 8, {0x12, 0x34, 0xFF, 0xFE, 0x0A, 0x0B, 0x7F, 0xFF});
  Replay(SelectAt(0, 3) + ReadAt(0, 0x2F, page) + SelectAt(0, 3) + WriteAt(0, 0x2F, patched) +
         SelectAt(0, 3) + ReadAt(0, 0x2F, patched));
  EXPECT_EQ(Write(options), 0);
  ExpectTraceDone();
}

TEST_F(CalDataReplayTest, CommandSet5BoardOffsetAndInternalSensorShareAByteAndAreRefused) {
  // Board offset at class bytes 12-13, the internal sensor's offset at 13.
  settings.COMMANDSET = 5;
  settings.CalibrationClsID = 104;
  settings.IntTSSupported = 1;
  CalOptions options;
  options.CalBoardOffset = -1;
  options.CalTemperature = -1;
  options.IntTSCalEnabled = -1;
  Replay("");
  EXPECT_EQ(Write(options), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

TEST_F(CalDataReplayTest, PagesBeyondTheCommandBytesAreRefused) {
  CalOptions options;
  options.CalCCOffset = -1;
  Replay("");
  settings.CalibrationClsID = -8;
  EXPECT_EQ(Write(options), kStatusDfPositionOutOfBlock);
  settings.CalibrationClsID = 256 * 32;  // select byte 0x100
  EXPECT_EQ(Write(options), kStatusDfPositionOutOfBlock);
  settings.COMMANDSET = 2;
  settings.CalibrationClsID = 168 * 64;  // block command 0x58 + 168 = 0x100
  EXPECT_EQ(Write(options), kStatusDfPositionOutOfBlock);
  EXPECT_EQ(WriteCalBlock(ctx, 0x00, Pattern(64, 0), kAddrSmbusGauge),
            kStatusDfPositionOutOfBlock);
  settings.CalibrationClsID = 64;
  EXPECT_EQ(WriteCalBlock(ctx, 0x00, Pattern(63, 0), kAddrSmbusGauge),
            kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

// ---------------------------------------------------------------- the 64-byte page routine

class WriteCalBlockTest : public CalDataReplayTest {
protected:
  WriteCalBlockTest() {
    settings.COMMANDSET = 2;
    settings.CalibrationClsID = 130;  // page 2 = block command 0x5A
  }
  Status WriteBlock(const Bytes& block) {
    return WriteCalBlock(ctx, 0x00, block, kAddrSmbusGauge);
  }
};

TEST_F(WriteCalBlockTest, WaitsAroundTheWriteAndTheReadBack) {
  const Bytes block = Pattern(64, 0x10);
  Replay(LeadWordAt(0) + WriteAt(151, 0x5A, block) + ReadAt(221, 0x5A, block));
  EXPECT_EQ(WriteBlock(block), 0);
  ExpectTimedTrace();
  EXPECT_EQ(ElapsedMs(), 371);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(WriteCalBlockTest, FailedWriteIsShownAndGivesOneButTheReadBackStillRuns) {
  const Bytes block = Pattern(64, 0x10);
  Replay(LeadWordAt(0) + WriteAt(0, 0x5A, block, 3) + ReadAt(0, 0x5A, Pattern(64, 0x00)));
  EXPECT_EQ(WriteBlock(block), 1);
  EXPECT_EQ(dialogs.Messages(), (std::vector<std::string>{kWriteFailed, kReadBackDiffers}));
  ExpectTraceDone();
}

TEST_F(WriteCalBlockTest, FailedReadBackIsShownAndEndsWithTheWriteResult) {
  const Bytes block = Pattern(64, 0x10);
  Replay(LeadWordAt(0) + WriteAt(0, 0x5A, block) + ReadAt(0, 0x5A, {}, 5));
  EXPECT_EQ(WriteBlock(block), 0);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kReadFailed});
  ExpectTraceDone();
}

TEST_F(WriteCalBlockTest, OnlyTheFirst32BytesAreCheckedForTheOperator) {
  const Bytes block = Pattern(64, 0x10);
  Replay(LeadWordAt(0) + WriteAt(0, 0x5A, block) + ReadAt(0, 0x5A, With(block, 31, {0x00})));
  EXPECT_EQ(WriteBlock(block), 0);  // shown, not returned
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kReadBackDiffers});
  ExpectTraceDone();

  Replay(LeadWordAt(0) + WriteAt(0, 0x5A, block) + ReadAt(0, 0x5A, With(block, 32, {0x00})));
  EXPECT_EQ(WriteBlock(block), 0);
  EXPECT_EQ(dialogs.Messages().size(), 1u);  // nothing more shown
  ExpectTraceDone();
}

TEST_F(WriteCalBlockTest, CalibrationDataStillComparesAll64Bytes) {
  // A difference past byte 31 is not shown to the operator, yet the calibration data
  // write fails: the coefficients did not arrive as written.
  const Bytes page = Pattern(64, 0x00);
  const Bytes patched = With(page, 42, {0xFF, 0xFB});  // class from byte 2, offset 40
  Replay(ReadAt(0, 0x5A, page) + LeadWordAt(0) + WriteAt(0, 0x5A, patched) +
         ReadAt(0, 0x5A, With(patched, 63, {0x00})));
  CalOptions options;
  options.CalBoardOffset = -1;
  EXPECT_EQ(Write(options), kStatusCalDataWriteFailed);
  EXPECT_TRUE(dialogs.shown().empty());
  ExpectTraceDone();

  // A failed page write passes its status on, after the routine's own message (the old
  // page read back differs only past byte 31).
  Replay(ReadAt(0, 0x5A, page) + LeadWordAt(0) + WriteAt(0, 0x5A, patched, 3) +
         ReadAt(0, 0x5A, page));
  EXPECT_EQ(Write(options), 3);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kWriteFailed});
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
