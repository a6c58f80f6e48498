#include "gauge/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "gauge/station_settings.h"

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

// Closes a descriptor on every path out of a function.
class FdCloser {
public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

private:
  int fd_;
};

// Reads the whole file when it is a regular file of at most `limit` bytes; `size` gets
// its length either way. False when it cannot be opened or read.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes,
                   off_t& size) {
  // Non-blocking, so that a pipe or device given as the path cannot hang the station;
  // anything but a regular file is refused right after.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  FdCloser closer(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  size = info.st_size;
  if (size <= 0 || static_cast<std::size_t>(size) > limit) return true;
  bytes.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool HeaderIsGood(const ImageRecord& record) { return record.header == kImageHeader; }

bool WriteAll(int fd, const uint8_t* data, std::size_t count) {
  while (count > 0) {
    ssize_t put = ::write(fd, data, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data += put;
    count -= static_cast<std::size_t>(put);
  }
  return true;
}

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

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
  std::vector<uint8_t> bytes;
  off_t size = 0;
  if (!ReadSmallFile(path, kImageRecordSize, bytes, size)) return kStatusImageFileUnreadable;
  if (size <= 0 || static_cast<std::size_t>(size) < kImageRecordSize) {
    return kStatusImageFileUnreadable;
  }
  if (static_cast<std::size_t>(size) > kImageRecordSize) return kStatusImageFileBadHeader;
  ImageRecord read = DecodeImageRecord(std::span<const uint8_t, kImageRecordSize>(bytes), layout);
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
  std::string temp = path + ".tmp-XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = SystemError(path);
    return false;
  }
  FdCloser closer(fd);
  temp.assign(name.data());
  const bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, bytes.data(), bytes.size()) &&
                       ::fsync(fd) == 0;
  if (!written || ::close(closer.Release()) != 0) {
    error = SystemError(path);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = SystemError(path);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

std::string DefaultImageFileName(const std::string& target) {
  return "Tester_" + target + ".rom";
}

}  // namespace tester
