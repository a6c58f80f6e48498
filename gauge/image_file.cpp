#include "gauge/image_file.h"

#include <algorithm>
#include <cstring>

#include "gauge/station_settings.h"
#include "platform/atomic_file.h"

namespace tester {
namespace {

// Where the fields sit in each layout.
struct FieldOffsets {
  std::size_t header;
  std::size_t identity;
  std::size_t size;
  std::size_t data;
};

constexpr FieldOffsets kSMBusOffsets{0, 15, 19, 23};
constexpr FieldOffsets kRegisterOffsets{2049, 2064, 2068, 0};

const FieldOffsets& OffsetsOf(ImageLayout layout) {
  return layout == ImageLayout::SMBus ? kSMBusOffsets : kRegisterOffsets;
}

void PutU16LE(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value & 0xFF);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32LE(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t GetU16LE(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t GetU32LE(const uint8_t* at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

bool HeaderIsGood(const ImageRecord& record) { return record.header == kImageHeader; }

}  // namespace

ImageLayout ImageLayoutFor(int commandset) {
  return UsesRegisterLoader(commandset) ? ImageLayout::Register : ImageLayout::SMBus;
}

ImageBytes EncodeImageRecord(const ImageRecord& record, ImageLayout layout) {
  const FieldOffsets& at = OffsetsOf(layout);
  ImageBytes bytes{};
  const std::size_t count = std::min(record.header.size(), kImageHeaderBytes - 2);
  PutU16LE(&bytes[at.header], static_cast<uint16_t>(count));
  std::memcpy(&bytes[at.header + 2], record.header.data(), count);
  PutU32LE(&bytes[at.identity], static_cast<uint32_t>(record.identity));
  PutU32LE(&bytes[at.size], static_cast<uint32_t>(record.size));
  std::copy(record.data.begin(), record.data.end(), bytes.begin() + at.data);
  return bytes;
}

ImageRecord DecodeImageRecord(std::span<const uint8_t, kImageRecordSize> bytes,
                              ImageLayout layout) {
  const FieldOffsets& at = OffsetsOf(layout);
  ImageRecord record;
  // The stored count says how many characters follow; only 13 fit the field, and a
  // count other than 13 can never match the expected header.
  const uint16_t count = GetU16LE(&bytes[at.header]);
  const std::size_t kept = std::min<std::size_t>(count, kImageHeaderBytes - 2);
  record.header.assign(reinterpret_cast<const char*>(&bytes[at.header + 2]), kept);
  if (count != kept) record.header.push_back('\0');  // marks the count as wrong
  record.identity = static_cast<int32_t>(GetU32LE(&bytes[at.identity]));
  record.size = static_cast<int32_t>(GetU32LE(&bytes[at.size]));
  std::copy_n(bytes.begin() + at.data, kImageDataSize, record.data.begin());
  return record;
}

Status CheckImageFile(const std::string& path, ImageLayout layout,
                      const StationSettings& settings, ImageRecord& record) {
  // One byte more than a record tells a longer file without reading it all; a folder, pipe
  // or device is refused without blocking.
  const std::optional<std::string> bytes = ReadFileHead(path, kImageRecordSize + 1, nullptr);
  if (!bytes || bytes->size() < kImageRecordSize) return kStatusImageFileUnreadable;
  if (bytes->size() > kImageRecordSize) return kStatusImageFileBadHeader;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
  ImageRecord read =
      DecodeImageRecord(std::span<const uint8_t, kImageRecordSize>(data, kImageRecordSize), layout);
  if (!HeaderIsGood(read)) return kStatusImageFileBadHeader;
  if (read.size != settings.DF_CHKSUM_SZ) return kStatusImageFileBadHeader;
  record = std::move(read);
  return 0;
}

Status CheckImageFileSMBus(const std::string& path, const StationSettings& settings,
                           ImageRecord& record) {
  return CheckImageFile(path, ImageLayout::SMBus, settings, record);
}

Status CheckImageFileI2C(const std::string& path, const StationSettings& settings,
                         ImageRecord& record) {
  return CheckImageFile(path, ImageLayout::Register, settings, record);
}

ImageRecord MakeImageRecord(int32_t identity, std::span<const uint8_t> read_data,
                            ImageLayout layout, const StationSettings& settings) {
  ImageRecord record;
  record.header = std::string(kImageHeader);
  record.identity = identity;
  record.size = settings.DF_CHKSUM_SZ;
  const std::size_t copied = std::min(read_data.size(), kImageDataSize);
  std::copy_n(read_data.begin(), copied, record.data.begin());
  if (layout == ImageLayout::SMBus && settings.DF_PROGROW_SZ > 0) {
    const int64_t rows = settings.DF_IMAGE_SZ / settings.DF_PROGROW_SZ;
    const int64_t first = std::max<int64_t>(0, rows * settings.DF_PROGROW_SZ);
    const int64_t end =
        std::min<int64_t>(settings.DF_CHKSUM_SZ, static_cast<int64_t>(kImageDataSize));
    for (int64_t i = first; i < end; ++i) {
      record.data[static_cast<std::size_t>(i)] = kImageBlankByte;
    }
  }
  return record;
}

bool WriteImageFile(const std::string& path, const ImageRecord& record, ImageLayout layout,
                    std::string& error) {
  const ImageBytes bytes = EncodeImageRecord(record, layout);
  return WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
}

std::string DefaultImageFileName(const std::string& target) {
  return "Tester_" + target + ".rom";
}

}  // namespace tester
