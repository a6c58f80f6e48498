// Whole-image programming through the SMBus ROM loader, against hand-written traces of a
// three-row data flash (rows of 32 bytes, row 1 blank).
#include <numeric>

#include "gauge/rom_programming.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr int kRow = 32;
constexpr int32_t kIdentity = 0x010203;
constexpr int kLoaderBusy = 0x0007;  // a status the adapter reports for a refused read

Bytes Pattern(int count, int seed) {
  Bytes bytes(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + 7 * i);
  return bytes;
}

class ProgramSMBusTest : public ReplayLinkTest {
protected:
  ProgramSMBusTest() {
    settings.DF_PROGROW_SZ = kRow;
    settings.DF_CHKSUM_SZ = 3 * kRow;
    irow0 = Pattern(96, 3);
    irow0[48] = 0x01;
    irow0[49] = 0x02;
    irow0[50] = 0x03;
    irow1 = Pattern(96, 11);
    image.identity = kIdentity;
    image.data.fill(0);
    SetRow(0, Pattern(kRow, 1));
    SetRow(1, Bytes(kRow, 0xFF));
    SetRow(2, Pattern(kRow, 0x40));
  }

  void SetRow(int r, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), image.data.begin() + r * kRow);
  }
  Bytes Row(int r) const {
    return Bytes(image.data.begin() + r * kRow, image.data.begin() + (r + 1) * kRow);
  }
  unsigned ImageSum() const {
    return std::accumulate(image.data.begin(), image.data.begin() + 3 * kRow, 0u) & 0xFFFF;
  }

  std::string ReadRow(int r, const Bytes& row) const {
    return WriteBlock(0x00, {static_cast<uint8_t>(r), 0, 0}) + ReadBlock(0x02, row);
  }
  std::string SaveRows() const { return ReadRow(0, irow0) + ReadRow(1, irow1); }
  std::string Erase() const {
    return WriteWord(0x06, 0x0000) + Probe() + WriteWord(0x12, 0x83DE) + Probe();
  }
  std::string ProgramRows() const {
    return WriteBlock(0x10, Cat({0x00}, Row(0))) + Probe() +
           WriteBlock(0x10, Cat({0x02}, Row(2))) + Probe();
  }
  std::string Restore() const {
    return WriteBlock(0x05, Cat({0x00, 0x00}, irow0)) + Probe() + ReadRow(0, irow0) +
           WriteBlock(0x05, Cat({0x01, 0x00}, irow1)) + Probe() + ReadRow(1, irow1);
  }

  Bytes irow0;
  Bytes irow1;
  ImageRecord image;
};

TEST_F(ProgramSMBusTest, ProgramsNonBlankRowsAndSumsEveryByte) {
  Replay(SaveRows() + Erase() + ProgramRows() + ReadWord(0x0E, ImageSum()) + Restore());
  EXPECT_EQ(ProgramImageSMBus(link, image), 0);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, AllBlankImageProgramsNoRowButComparesTheSum) {
  for (int r = 0; r < 3; ++r) SetRow(r, Bytes(kRow, 0xFF));
  Replay(SaveRows() + Erase() + ReadWord(0x0E, 0xFF * 96) + Restore());
  EXPECT_EQ(ProgramImageSMBus(link, image), 0);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, IdentityMismatchTouchesNothingAfterTheRowReads) {
  image.identity = 0x010204;
  Replay(SaveRows());
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusIdentityMismatch);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, ShortInstructionRowIsRefusedBeforeTheErase) {
  Replay(ReadRow(0, Bytes(irow0.begin(), irow0.begin() + 95)));
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusChecksumMismatch);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, ChecksumReadSucceedingAtTheNinthAttemptIsCompared) {
  const std::string failing = ReadWord(0x0E, 0, kLoaderBusy);
  Replay(SaveRows() + Erase() + ProgramRows() + Times(failing, 8) +
         ReadWord(0x0E, ImageSum()) + Restore());
  EXPECT_EQ(ProgramImageSMBus(link, image), 0);
  ExpectTraceDone();

  Replay(SaveRows() + Erase() + ProgramRows() + Times(failing, 8) +
         ReadWord(0x0E, ImageSum() + 1));
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusChecksumMismatch);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, NineFailedChecksumReadsReturnTheNinthStatus100MsApart) {
  const std::string failing = ReadWord(0x0E, 0, kLoaderBusy);
  Replay(SaveRows() + Erase() + ProgramRows() + Times(failing, 8) +
         ReadWord(0x0E, 0, 9));
  EXPECT_EQ(ProgramImageSMBus(link, image), 9);
  ExpectTraceDone();
  // Two row reads (120 ms each), two checked word writes (1 ms each), eight spacings.
  EXPECT_EQ(ElapsedMs(), 2 * 120 + 2 * 1 + 8 * 100);
}

TEST_F(ProgramSMBusTest, ChecksumMismatchLeavesTheRowsUnrestored) {
  Replay(SaveRows() + Erase() + ProgramRows() + ReadWord(0x0E, ImageSum() ^ 0x0100));
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusChecksumMismatch);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, RestoredRowReadingBackDifferentFails) {
  Bytes altered = irow1;
  altered[95] ^= 0x01;
  Replay(SaveRows() + Erase() + ProgramRows() + ReadWord(0x0E, ImageSum()) +
         WriteBlock(0x05, Cat({0x00, 0x00}, irow0)) + Probe() + ReadRow(0, irow0) +
         WriteBlock(0x05, Cat({0x01, 0x00}, irow1)) + Probe() + ReadRow(1, altered));
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusRomNotReady);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, LoaderNeverReadyEndsTheSequenceAfterTheErase) {
  const std::string busy = Probe(0x0010);
  Replay(SaveRows() + WriteWord(0x06, 0x0000) + Times(busy, 100));
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusRomNotReady);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, FailedRowWriteEndsTheSequence) {
  Replay(SaveRows() + Erase() + WriteBlock(0x10, Cat({0x00}, Row(0)), 3));
  EXPECT_EQ(ProgramImageSMBus(link, image), 3);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, GeometryBeyondTheRecordIsRefusedWithoutTransfers) {
  Replay("");
  settings.DF_PROGROW_SZ = 0;
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusImageGeometryInvalid);
  settings.DF_PROGROW_SZ = -32;
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusImageGeometryInvalid);
  settings.DF_PROGROW_SZ = 32;
  settings.DF_CHKSUM_SZ = 2080;  // 65 rows = 2080 bytes > 2049
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusImageGeometryInvalid);
  settings.DF_CHKSUM_SZ = -1;
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusImageGeometryInvalid);
  settings.DF_PROGROW_SZ = 4;  // 512 rows: the row number no longer fits its byte
  settings.DF_CHKSUM_SZ = 2048;
  EXPECT_EQ(ProgramImageSMBus(link, image), kStatusImageGeometryInvalid);
  ExpectTraceDone();
}

TEST_F(ProgramSMBusTest, FullDefaultGeometryUsesRows0To62) {
  settings.DF_CHKSUM_SZ = 2016;
  ProgramGeometry geometry;
  ASSERT_EQ(SMBusProgramGeometry(settings, geometry), 0);
  EXPECT_EQ(geometry.rows, 63);
  EXPECT_EQ(geometry.Bytes(), 2016);
  settings.DF_IMAGE_SZ = 1792;
  ASSERT_EQ(RegisterProgramGeometry(settings, geometry), 0);
  EXPECT_EQ(geometry.rows, 56);
  settings.DF_CHKSUM_SZ = 2049;  // 64 whole rows, the odd byte is outside every row
  ASSERT_EQ(SMBusProgramGeometry(settings, geometry), 0);
  EXPECT_EQ(geometry.Bytes(), 2048);
}

}  // namespace
}  // namespace tester
