// Serial number into the gauge: the 16-bit form, the SMBus command with its read-back
// loop and 2 s time-out (also across midnight), and the data-flash writer's failure code.
#include "engine/serial_number.h"

#include <limits>
#include <stdexcept>

#include "gauge/station_settings.h"
#include "platform/replay_control.h"
#include "platform/virtual_clock.h"
#include "testing/replay_fixtures.h"
#include "testing/throwing_control.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

// The serial-number word written and read back at 0x17.
std::string PutSerial(unsigned word, int bus_status = 0) {
  return WriteWord(0x1C, word, 0x17, bus_status);
}
std::string GetSerial(unsigned word, int status = 0) { return ReadWord(0x1C, word, status); }
// One more round of the read-back loop: the adapter pause, then the read.
std::string Retry(unsigned word) { return Pause(50) + GetSerial(word); }

TEST(SerialWord16, KeepsSmallNumbersAndMarksLargeOnes) {
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(0)), 0x0000);
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(32767)), 0x7FFF);
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(40000)), 0x9C40);
  EXPECT_EQ(SerialWord16(40000), -25536);
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(65535)), 0xFFFF);
  // Beyond the word: low 15 bits, bit 15 set.
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(65536)), 0x8000);
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(70000)), 0x9170);
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(std::numeric_limits<int32_t>::max())), 0xFFFF);
  // Negative numbers keep their two's complement pattern.
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(-1)), 0xFFFF);
  EXPECT_EQ(static_cast<uint16_t>(SerialWord16(std::numeric_limits<int32_t>::min())), 0x0000);
}

class SerialSbsTest : public ReplayLinkTest {};

TEST_F(SerialSbsTest, WritesTheWordAndWaitsUntilItReadsBack) {
  Replay(PutSerial(0x9C40) + GetSerial(0x0000) + Retry(0x0001) + Retry(0x9C40));
  EXPECT_EQ(WriteSerialNumberSBS(link, 40000), 0);
  ExpectTraceDone();
  EXPECT_EQ(ElapsedMs(), 1 + 2 * 50);
}

TEST_F(SerialSbsTest, GaugeNeverReadingBackFailsAfterTwoSeconds) {
  // The first read, then 39 rounds of pause and read; the 40th pause reaches 2 s.
  Replay(PutSerial(0x9C40) + GetSerial(0x1111) + Times(Retry(0x1111), 39) + Pause(50));
  EXPECT_EQ(WriteSerialNumberSBS(link, 40000), kStatusSerialWriteFailed);
  ExpectTraceDone();
  EXPECT_EQ(ElapsedMs(), 1 + 2000);
}

TEST_F(SerialSbsTest, FailedReadsAreRetriedUntilTheValueComesBack) {
  Replay(PutSerial(0x0064) + GetSerial(0, 6) + Pause(50) + GetSerial(0, 6) + Retry(0x0064));
  EXPECT_EQ(WriteSerialNumberSBS(link, 100), 0);
  ExpectTraceDone();
}

// A failed read whose word happens to equal the value (serial 0 against an empty word)
// is no read-back: the wait goes on and ends in 65545, not in the read's status.
TEST_F(SerialSbsTest, FailedReadNeverPassesForTheValue) {
  Replay(PutSerial(0x0000) + GetSerial(0, 6) + Times(Pause(50) + GetSerial(0, 6), 39) +
         Pause(50));
  EXPECT_EQ(WriteSerialNumberSBS(link, 0), kStatusSerialWriteFailed);
  ExpectTraceDone();
}

TEST_F(SerialSbsTest, FailedWriteGives65545WithoutReading) {
  Replay("PutWord cmd=0x1C word=0x9C40 addr=0x17 -> 5\n");
  EXPECT_EQ(WriteSerialNumberSBS(link, 40000), kStatusSerialWriteFailed);
  ExpectTraceDone();

  Replay(PutSerial(0x9C40, 3));  // the word went out but the bus reports an error
  EXPECT_EQ(WriteSerialNumberSBS(link, 40000), kStatusSerialWriteFailed);
  ExpectTraceDone();
}

TEST(SerialSbsMidnight, TimeOutCountsAcrossMidnight) {
  VirtualClock clock(kMicrosPerDay - 1'000'000);  // 23:59:59
  StationSettings settings;
  settings.USB_RESP_TIME = 1;
  GaugeLink link(clock, settings);
  std::ostringstream report;
  std::string error;
  const std::string trace = PutSerial(0x0005) + GetSerial(0x0000) + Times(Retry(0x0000), 39) +
                            Pause(50);
  std::string timed;  // replay lines carry a time stamp, which replay ignores
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) timed += "0 " + line + "\n";
  auto replay = ReplayControl::FromText(timed, clock, error, &report);
  ASSERT_NE(replay, nullptr) << error;
  link.BindGaugeControl(replay.get());
  const int64_t began = clock.Now();
  EXPECT_EQ(WriteSerialNumberSBS(link, 5), kStatusSerialWriteFailed);
  EXPECT_TRUE(replay->Complete()) << report.str();
  EXPECT_EQ((clock.Now() - began) / kMicrosPerMs, 1 + 2000);
}

TEST_F(SerialSbsTest, AnErrorRaisedByTheControlGives65545) {
  test::ThrowingControl control;
  link.BindGaugeControl(&control);
  EXPECT_EQ(WriteSerialNumberSBS(link, 40000), kStatusSerialWriteFailed);
  settings.SerialClsID = 168;
  settings.SerialOffset = 14;
  EXPECT_EQ(WriteSerialNumberDF(link, 40000), kStatusSerialWriteFailed);
  link.BindGaugeControl(nullptr);
}

class SerialDfTest : public ReplayLinkTest {
protected:
  SerialDfTest() {
    settings.COMMANDSET = 1;
    settings.QZMAC = 0x00;
    settings.SerialClsID = 168;  // block 5, position 8
    settings.SerialOffset = 14;  // the word at position 22
  }
  static std::string AbsRead(unsigned k, const Bytes& data, int status = 0) {
    return WriteWord(0x00, 0x0100 + k) + ReadBlock(0x2F, data, status);
  }
  static std::string AbsWrite(unsigned k, const Bytes& data) {
    return WriteWord(0x00, 0x0100 + k) + WriteBlock(0x2F, data);
  }
  static Bytes Old() {
    Bytes bytes(32);
    for (int i = 0; i < 32; ++i) bytes[i] = static_cast<uint8_t>(7 * i + 1);
    return bytes;
  }
  static Bytes WithSerial(Bytes bytes, uint8_t high, uint8_t low) {
    bytes[22] = high;
    bytes[23] = low;
    return bytes;
  }
};

TEST_F(SerialDfTest, WritesTheSixteenBitFormAtItsAbsoluteAddress) {
  const Bytes updated = WithSerial(Old(), 0x91, 0x70);  // 70000 -> 0x9170
  Replay(AbsRead(5, Old()) + AbsWrite(5, updated) + AbsRead(5, updated));
  EXPECT_EQ(WriteSerialNumberDF(link, 70000), 0);
  ExpectTraceDone();
}

TEST_F(SerialDfTest, AnyFailureOfTheWordWriteBecomes65545) {
  // Read-back differs (65542 from the word writer).
  Replay(AbsRead(5, Old()) + AbsWrite(5, WithSerial(Old(), 0x9C, 0x40)) + AbsRead(5, Old()));
  EXPECT_EQ(WriteSerialNumberDF(link, 40000), kStatusSerialWriteFailed);
  ExpectTraceDone();
  // A failed transfer.
  Replay(AbsRead(5, {}, 9));
  EXPECT_EQ(WriteSerialNumberDF(link, 40000), kStatusSerialWriteFailed);
  ExpectTraceDone();
  // An address no block command reaches, refused before any transfer.
  settings.SerialClsID = -40;
  Replay("");
  EXPECT_EQ(WriteSerialNumberDF(link, 1), kStatusSerialWriteFailed);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
