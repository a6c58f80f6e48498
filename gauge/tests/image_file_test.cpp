// The image file: both layouts byte for byte, the filler of the SMBus layout, and every
// kind of bad file the station may be handed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gauge/image_file.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kHeaderBytes = {0x0D, 0x00, 'T', 'E', 'S', 'T', 'E', 'R', '_',
                            'R',  'O',  'M', '_', 'D', 'F'};

class ImageFileTest : public ::testing::Test {
protected:
  ImageFileTest() {
    settings.DF_CHKSUM_SZ = 2016;
    settings.DF_IMAGE_SZ = 1792;
    settings.DF_PROGROW_SZ = 32;
    std::string pattern = ::testing::TempDir() + "image_file_XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    folder = ::mkdtemp(name.data());
  }
  ~ImageFileTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  std::string Path(const std::string& name) const { return folder + "/" + name; }

  void WriteRaw(const std::string& path, const Bytes& bytes) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  static Bytes ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  // A good record of this station with recognisable data.
  ImageRecord Record() const {
    Bytes read(1792);
    for (std::size_t i = 0; i < read.size(); ++i) read[i] = static_cast<uint8_t>(i * 13 + 1);
    return MakeImageRecord(0x010203, read, ImageLayout::SMBus, settings);
  }

  Bytes Encoded(const ImageRecord& record, ImageLayout layout) const {
    const ImageBytes bytes = EncodeImageRecord(record, layout);
    return Bytes(bytes.begin(), bytes.end());
  }

  Status Check(const std::string& path, ImageLayout layout, ImageRecord& out) const {
    return CheckImageFile(path, layout, settings, out);
  }

  StationSettings settings;
  std::string folder;
};

TEST_F(ImageFileTest, SMBusLayoutPutsHeaderIdentitySizeThenData) {
  const Bytes bytes = Encoded(Record(), ImageLayout::SMBus);
  ASSERT_EQ(bytes.size(), 2072u);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 15), kHeaderBytes);
  EXPECT_EQ(Bytes(bytes.begin() + 15, bytes.begin() + 23),
            (Bytes{0x03, 0x02, 0x01, 0x00, 0xE0, 0x07, 0x00, 0x00}));
  EXPECT_EQ(bytes[23], 0x01);         // data byte 0
  EXPECT_EQ(bytes[23 + 1], 14);       // data byte 1
  EXPECT_EQ(bytes[2071], 0x00);       // data byte 2048
}

TEST_F(ImageFileTest, RegisterLayoutPutsDataFirst) {
  ImageRecord record = Record();
  record.identity = 0x0A0B0C;
  const Bytes bytes = Encoded(record, ImageLayout::Register);
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[1], 14);
  EXPECT_EQ(Bytes(bytes.begin() + 2049, bytes.begin() + 2064), kHeaderBytes);
  EXPECT_EQ(Bytes(bytes.begin() + 2064, bytes.end()),
            (Bytes{0x0C, 0x0B, 0x0A, 0x00, 0xE0, 0x07, 0x00, 0x00}));
}

TEST_F(ImageFileTest, SMBusRecordFillsErasedBytesUpToTheChecksumSpan) {
  const ImageRecord record = Record();
  EXPECT_EQ(record.size, 2016);
  EXPECT_EQ(record.data[1791], static_cast<uint8_t>(1791 * 13 + 1));
  for (int i = 1792; i < 2016; ++i) ASSERT_EQ(record.data[i], 0xFF) << i;
  for (int i = 2016; i < 2049; ++i) ASSERT_EQ(record.data[i], 0x00) << i;

  const ImageRecord reg = MakeImageRecord(1, Bytes(1792, 0x11), ImageLayout::Register, settings);
  EXPECT_EQ(reg.data[1791], 0x11);
  EXPECT_EQ(reg.data[1792], 0x00);
}

TEST_F(ImageFileTest, FillerNeverRunsPastTheDataBytes) {
  settings.DF_CHKSUM_SZ = 4000;  // a station set beyond the record
  const ImageRecord record = MakeImageRecord(1, Bytes(10, 0x22), ImageLayout::SMBus, settings);
  EXPECT_EQ(record.data[2048], 0xFF);
  const ImageRecord cut = MakeImageRecord(1, Bytes(3000, 0x22), ImageLayout::SMBus, settings);
  EXPECT_EQ(cut.data[1791], 0x22);
  EXPECT_EQ(cut.data[2048], 0xFF);
}

TEST_F(ImageFileTest, WrittenFileReadsBackInItsLayout) {
  for (ImageLayout layout : {ImageLayout::SMBus, ImageLayout::Register}) {
    const std::string path = Path("Tester_800.1.02.rom");
    std::string error;
    ASSERT_TRUE(WriteImageFile(path, Record(), layout, error)) << error;
    ImageRecord read;
    ASSERT_EQ(Check(path, layout, read), 0);
    EXPECT_EQ(read.header, "TESTER_ROM_DF");
    EXPECT_EQ(read.identity, 0x010203);
    EXPECT_EQ(read.data, Record().data);
    EXPECT_EQ(ReadRaw(path), Encoded(Record(), layout));
  }
}

TEST_F(ImageFileTest, RewritingALongerFileLeavesNoTail) {
  const std::string path = Path("old.rom");
  WriteRaw(path, Bytes(5000, 0x77));
  std::string error;
  ASSERT_TRUE(WriteImageFile(path, Record(), ImageLayout::SMBus, error)) << error;
  EXPECT_EQ(ReadRaw(path).size(), 2072u);
  ImageRecord read;
  EXPECT_EQ(Check(path, ImageLayout::SMBus, read), 0);
}

TEST_F(ImageFileTest, WriteIntoAMissingFolderFailsWithTheSystemsReason) {
  std::string error;
  EXPECT_FALSE(WriteImageFile(Path("no/such/folder.rom"), Record(), ImageLayout::SMBus, error));
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST_F(ImageFileTest, UnreadableFilesGive65553) {
  ImageRecord read;
  read.identity = 42;
  EXPECT_EQ(Check(Path("missing.rom"), ImageLayout::SMBus, read), kStatusImageFileUnreadable);
  EXPECT_EQ(Check(folder, ImageLayout::SMBus, read), kStatusImageFileUnreadable);  // a folder
  ASSERT_EQ(::mkfifo(Path("pipe.rom").c_str(), 0600), 0);  // must not wait for a writer
  EXPECT_EQ(Check(Path("pipe.rom"), ImageLayout::SMBus, read), kStatusImageFileUnreadable);
  WriteRaw(Path("empty.rom"), {});
  EXPECT_EQ(Check(Path("empty.rom"), ImageLayout::SMBus, read), kStatusImageFileUnreadable);
  Bytes truncated = Encoded(Record(), ImageLayout::SMBus);
  truncated.pop_back();
  WriteRaw(Path("short.rom"), truncated);
  EXPECT_EQ(Check(Path("short.rom"), ImageLayout::SMBus, read), kStatusImageFileUnreadable);
  EXPECT_EQ(read.identity, 42);  // untouched on failure
}

TEST_F(ImageFileTest, MalformedRecordsGive65557) {
  ImageRecord read;
  Bytes longer = Encoded(Record(), ImageLayout::SMBus);
  longer.push_back(0x00);
  WriteRaw(Path("long.rom"), longer);
  EXPECT_EQ(Check(Path("long.rom"), ImageLayout::SMBus, read), kStatusImageFileBadHeader);

  WriteRaw(Path("reg.rom"), Encoded(Record(), ImageLayout::Register));
  EXPECT_EQ(Check(Path("reg.rom"), ImageLayout::SMBus, read), kStatusImageFileBadHeader);
  WriteRaw(Path("smb.rom"), Encoded(Record(), ImageLayout::SMBus));
  EXPECT_EQ(Check(Path("smb.rom"), ImageLayout::Register, read), kStatusImageFileBadHeader);

  Bytes count12 = Encoded(Record(), ImageLayout::SMBus);
  count12[0] = 12;
  WriteRaw(Path("count12.rom"), count12);
  EXPECT_EQ(Check(Path("count12.rom"), ImageLayout::SMBus, read), kStatusImageFileBadHeader);
  Bytes count14 = Encoded(Record(), ImageLayout::SMBus);
  count14[0] = 14;
  WriteRaw(Path("count14.rom"), count14);
  EXPECT_EQ(Check(Path("count14.rom"), ImageLayout::SMBus, read), kStatusImageFileBadHeader);

  Bytes lower = Encoded(Record(), ImageLayout::SMBus);
  lower[2] = 't';
  WriteRaw(Path("lower.rom"), lower);
  EXPECT_EQ(Check(Path("lower.rom"), ImageLayout::SMBus, read), kStatusImageFileBadHeader);
  EXPECT_EQ(read.identity, 0);
}

TEST_F(ImageFileTest, SizeOfAnotherStationIsRefusedEvenWithGoodData) {
  const std::string path = Path("other.rom");
  std::string error;
  ASSERT_TRUE(WriteImageFile(path, Record(), ImageLayout::Register, error));
  settings.DF_CHKSUM_SZ = 2048;
  ImageRecord read;
  EXPECT_EQ(Check(path, ImageLayout::Register, read), kStatusImageFileBadHeader);
}

}  // namespace
}  // namespace tester
