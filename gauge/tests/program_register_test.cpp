// Whole-image programming through the register-style ROM loader at 0x16, against
// hand-written traces of a three-row data flash (rows of 32 bytes, row 1 blank).
#include <numeric>

#include "gauge/rom_programming.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr unsigned kLoader = 0x16;
constexpr int kRow = 32;

Bytes Pattern(int count, int seed) {
  Bytes bytes(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + 5 * i);
  return bytes;
}

unsigned Sum(const Bytes& bytes) { return std::accumulate(bytes.begin(), bytes.end(), 0u); }

Bytes Slice(const Bytes& bytes, int from, int count) {
  return Bytes(bytes.begin() + from, bytes.begin() + from + count);
}

class ProgramI2CTest : public ReplayLinkTest {
protected:
  ProgramI2CTest() {
    settings.COMMANDSET = 7;
    settings.DF_PROGROW_SZ = kRow;
    settings.DF_IMAGE_SZ = 3 * kRow;
    settings.DF_ERASEROW = 10;
    settings.DF_MASSERASE = 200;
    settings.DF_PROGROW = 2;
    settings.DF_CHECKSUM_COMPUTE_DELAY = 3;
    irow0 = Pattern(96, 9);
    irow0[48] = 0x0A;
    irow0[49] = 0x0B;
    irow0[50] = 0x0C;
    irow1 = Pattern(96, 200);
    image.identity = 0x0A0B0C;
    image.data.fill(0);
    SetRow(0, Pattern(kRow, 1));
    SetRow(1, Bytes(kRow, 0xFF));
    SetRow(2, Pattern(kRow, 0x33));
  }

  void SetRow(int r, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), image.data.begin() + r * kRow);
  }
  Bytes Row(int r) const {
    return Bytes(image.data.begin() + r * kRow, image.data.begin() + (r + 1) * kRow);
  }
  unsigned ImageSum(int rows) const {
    return std::accumulate(image.data.begin(), image.data.begin() + rows * kRow, 0u) & 0xFFFF;
  }

  // Command block to register 0x00, then its checksum word to 0x64.
  static std::string Command(unsigned cmd, unsigned row, unsigned checksum) {
    return RegWriteBlock(kLoader, 0x00, {static_cast<uint8_t>(cmd), static_cast<uint8_t>(row),
                                         static_cast<uint8_t>(row >> 8)}) +
           RegWriteWord(kLoader, 0x64, checksum);
  }
  static std::string Result(unsigned value = 0) { return RegReadByte(kLoader, 0x66, value); }
  static std::string BusIdle() { return BusStatus() + BusStatus(); }

  static std::string SaveRow(int r, const Bytes& row, unsigned reported_sum) {
    return Command(0x00, r, r) + Result() + RegReadBlock(kLoader, 0x04, 96, row) + BusStatus() +
           BusStatus() + RegReadWord(kLoader, 0x64, reported_sum);
  }
  std::string SaveRows() const {
    return BusIdle() + SaveRow(0, irow0, Sum(irow0)) + SaveRow(1, irow1, Sum(irow1));
  }
  static std::string EraseRow0(unsigned result = 0) {
    return Command(0x03, 0, 0x0003) + Pause(10) + Result(result);
  }
  static std::string MassErase(unsigned result = 0) {
    return RegWriteByte(kLoader, 0x00, 0x0C) + RegWriteWord(kLoader, 0x04, 0xDE83) +
           RegWriteWord(kLoader, 0x64, 0x016D) + Pause(200) + Result(result);
  }
  std::string ProgramRow(int r, unsigned result = 0) const {
    return RegWriteBlock(kLoader, 0x00, {0x0A, static_cast<uint8_t>(r), 0}) +
           RegWriteBlock(kLoader, 0x04, Row(r)) +
           RegWriteWord(kLoader, 0x64, (0x0A + r + Sum(Row(r))) & 0xFFFF) + Pause(2) +
           Result(result);
  }
  static std::string Checksum(unsigned sum, unsigned result = 0) {
    std::string lines = RegWriteByte(kLoader, 0x00, 0x08) + RegWriteWord(kLoader, 0x64, 0x0008) +
                        Pause(3) + Result(result);
    if (result == 0) lines += RegReadWord(kLoader, 0x04, sum);
    return lines;
  }
  static std::string RestoreRow(int r, const Bytes& row, unsigned result = 0) {
    return RegWriteBlock(kLoader, 0x00, {0x02, static_cast<uint8_t>(r), 0}) +
           RegWriteBlock(kLoader, 0x04, Slice(row, 0, 32)) +
           RegWriteBlock(kLoader, 0x24, Slice(row, 32, 32)) +
           RegWriteBlock(kLoader, 0x44, Slice(row, 64, 32)) +
           RegWriteWord(kLoader, 0x64, (0x02 + r + Sum(row)) & 0xFFFF) + Pause(2) + BusStatus() +
           Result(result);
  }
  std::string Restore() const { return RestoreRow(0, irow0) + RestoreRow(1, irow1); }

  Bytes irow0;
  Bytes irow1;
  ImageRecord image;
};

TEST_F(ProgramI2CTest, ProgramsNonBlankRowsSumsAllAndRestoresTheRows) {
  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + ProgramRow(0) + ProgramRow(2) +
         Checksum(ImageSum(3)) + BusStatus() + Restore());
  EXPECT_EQ(ProgramImageI2C(link, image), 0);
  ExpectTraceDone();
}

TEST_F(ProgramI2CTest, RowFiveOfOnesCarriesChecksum0x2F) {
  settings.DF_IMAGE_SZ = 6 * kRow;
  for (int r = 0; r < 5; ++r) SetRow(r, Bytes(kRow, 0xFF));
  SetRow(5, Bytes(kRow, 0x01));
  const std::string row5 = RegWriteBlock(kLoader, 0x00, {0x0A, 0x05, 0x00}) +
                           RegWriteBlock(kLoader, 0x04, Bytes(kRow, 0x01)) +
                           "PutRegBlock reg=0x64 addr=0x16 len=2 data=2F00 -> 0\n" + BusStatus() +
                           Pause(2) + Result();
  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + row5 +
         Checksum(ImageSum(6)) + BusStatus() + Restore());
  EXPECT_EQ(ProgramImageI2C(link, image), 0);
  ExpectTraceDone();
}

// With 4-byte rows the row number needs both bytes: row 256 goes out as 0x00, 0x01 and its
// checksum sums those bytes (0x0A + 0x00 + 0x01 + data), as the loader sums what it gets.
TEST_F(ProgramI2CTest, RowNumberAbove255IsSummedByteWise) {
  constexpr int kSmallRow = 4;
  settings.DF_PROGROW_SZ = kSmallRow;
  settings.DF_IMAGE_SZ = 257 * kSmallRow;
  std::fill(image.data.begin(), image.data.begin() + 256 * kSmallRow, 0xFF);
  const Bytes last = {0x10, 0x20, 0x30, 0x40};
  std::copy(last.begin(), last.end(), image.data.begin() + 256 * kSmallRow);
  const unsigned total =
      std::accumulate(image.data.begin(), image.data.begin() + 257 * kSmallRow, 0u) & 0xFFFF;
  const std::string row256 = RegWriteBlock(kLoader, 0x00, {0x0A, 0x00, 0x01}) +
                             RegWriteBlock(kLoader, 0x04, last) +
                             RegWriteWord(kLoader, 0x64, 0x0A + 0x00 + 0x01 + 0xA0) + Pause(2) +
                             Result();
  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + row256 + Checksum(total) +
         BusStatus() + Restore());
  EXPECT_EQ(ProgramImageI2C(link, image), 0);
  ExpectTraceDone();
}

TEST_F(ProgramI2CTest, IdentityMismatchRestoresTheRowsAndReports65538Regardless) {
  image.identity = 0x0A0B0D;
  Replay(SaveRows() + EraseRow0() + Restore());
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusIdentityMismatch);
  ExpectTraceDone();

  Replay(SaveRows() + EraseRow0() + RestoreRow(0, irow0, 0x01));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusIdentityMismatch);
  ExpectTraceDone();

  Replay(SaveRows() + EraseRow0() + RegWriteBlock(kLoader, 0x00, {0x02, 0, 0}, 6));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusIdentityMismatch);
  ExpectTraceDone();
}

TEST_F(ProgramI2CTest, SavedRowWithAWrongSumIsRefused) {
  Replay(BusIdle() + SaveRow(0, irow0, Sum(irow0) + 1));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusChecksumMismatch);
  ExpectTraceDone();
}

TEST_F(ProgramI2CTest, ShortSavedRowIsRefusedEvenWhenItsSumMatches) {
  Bytes short_row = Slice(irow0, 0, 95);
  Replay(BusIdle() + Command(0x00, 0, 0) + Result() +
         RegReadBlock(kLoader, 0x04, 96, short_row) + BusStatus() + BusStatus() +
         RegReadWord(kLoader, 0x64, Sum(short_row)));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusChecksumMismatch);
  ExpectTraceDone();
}

TEST_F(ProgramI2CTest, LoaderRefusalsMapToTheirStatuses) {
  Replay(SaveRows() + EraseRow0(0x01));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusLoaderRejected);
  ExpectTraceDone();

  Replay(SaveRows() + EraseRow0() + MassErase(0x07));  // the result byte itself
  EXPECT_EQ(ProgramImageI2C(link, image), 7);
  ExpectTraceDone();

  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + ProgramRow(0, 0x21));
  EXPECT_EQ(ProgramImageI2C(link, image), 0x21);
  ExpectTraceDone();

  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + ProgramRow(0) + ProgramRow(2) +
         Checksum(0, 0x05));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusChecksumMismatch);
  ExpectTraceDone();

  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + ProgramRow(0) + ProgramRow(2) +
         Checksum(ImageSum(3) - 1));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusChecksumMismatch);
  ExpectTraceDone();

  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + ProgramRow(0) + ProgramRow(2) +
         Checksum(ImageSum(3)) + BusStatus() + RestoreRow(0, irow0) + RestoreRow(1, irow1, 0x02));
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusLoaderRejected);
  ExpectTraceDone();
}

TEST_F(ProgramI2CTest, FailingFinalBusStatusSkipsTheRestore) {
  Replay(SaveRows() + EraseRow0() + MassErase() + BusIdle() + ProgramRow(0) + ProgramRow(2) +
         Checksum(ImageSum(3)) + BusStatus(4));
  EXPECT_EQ(ProgramImageI2C(link, image), 4);
  ExpectTraceDone();
}

TEST_F(ProgramI2CTest, GeometryBeyondTheRecordIsRefusedWithoutTransfers) {
  Replay("");
  settings.DF_PROGROW_SZ = 0;
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusImageGeometryInvalid);
  settings.DF_PROGROW_SZ = 32;
  settings.DF_IMAGE_SZ = 2080;
  EXPECT_EQ(ProgramImageI2C(link, image), kStatusImageGeometryInvalid);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
