#pragma once
// The golden image file: one fixed-size record carrying the data flash of a reference
// gauge and the identity of its firmware, from the image reader to every station.
// Two layouts of the same fields exist (docs/image-file.md); nothing in the file tells
// them apart, the station's command-set family decides which one is expected.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/status_codes.h"

namespace tester {

struct StationSettings;

inline constexpr std::string_view kImageHeader = "TESTER_ROM_DF";
inline constexpr std::size_t kImageDataSize = 2049;    // data bytes in every record
inline constexpr std::size_t kImageHeaderBytes = 15;   // u16 LE count + 13 characters
inline constexpr std::size_t kImageRecordSize = 2072;  // header + identity + size + data
inline constexpr uint8_t kImageBlankByte = 0xFF;       // erased data flash

// SMBus loader families put the header first; register-style loader families (command
// sets 5, 6, 7) put the data first.
enum class ImageLayout { SMBus, Register };

ImageLayout ImageLayoutFor(int commandset);

struct ImageRecord {
  std::string header;    // as stored; "TESTER_ROM_DF" in a good file
  int32_t identity = 0;  // 24-bit firmware identity of the reference gauge
  int32_t size = 0;      // DF_CHKSUM_SZ of the station that wrote the file
  std::array<uint8_t, kImageDataSize> data{};  // data byte i = data-flash byte i
};

using ImageBytes = std::array<uint8_t, kImageRecordSize>;

// The record as it stands in a file of the given layout. A header longer than 13
// characters is cut; a shorter one is padded with zero bytes (its count says how long).
ImageBytes EncodeImageRecord(const ImageRecord& record, ImageLayout layout);
ImageRecord DecodeImageRecord(std::span<const uint8_t, kImageRecordSize> bytes,
                              ImageLayout layout);

// Reads and checks an image file for this station:
//  - kStatusImageFileUnreadable: missing, not a regular file, empty, unreadable, or
//    shorter than one record;
//  - kStatusImageFileBadHeader: header length not 13, header text not "TESTER_ROM_DF",
//    size not the station's DF_CHKSUM_SZ, or a file longer than one record (a longer
//    file is no record of either layout, so it is refused as a malformed file rather
//    than read in part);
//  - 0: `record` receives the file's fields. On failure `record` is left untouched.
// Identity and data are not examined here; programming compares the identity.
Status CheckImageFile(const std::string& path, ImageLayout layout,
                      const StationSettings& settings, ImageRecord& record);
Status CheckImageFileSMBus(const std::string& path, const StationSettings& settings,
                           ImageRecord& record);
Status CheckImageFileI2C(const std::string& path, const StationSettings& settings,
                         ImageRecord& record);

// Fills a zeroed record for this station: header, identity, size = DF_CHKSUM_SZ, and
// `read_data` (the data-flash bytes read from the reference gauge, from byte 0; cut at
// 2049). The SMBus layout adds the 0xFF filler from n × DF_PROGROW_SZ up to
// DF_CHKSUM_SZ − 1 (n = DF_IMAGE_SZ ÷ DF_PROGROW_SZ), never past the data bytes.
ImageRecord MakeImageRecord(int32_t identity, std::span<const uint8_t> read_data,
                            ImageLayout layout, const StationSettings& settings);

// Writes the full record to `path`: into a temporary file in the same folder, flushed to
// disk, then renamed over the path, so a reader never sees half a record and an older,
// longer file leaves no tail. False with the system's description in `error` on failure
// (the path itself is then unchanged).
bool WriteImageFile(const std::string& path, const ImageRecord& record, ImageLayout layout,
                    std::string& error);

// The default file name for a target: "Tester_" + target + ".rom".
std::string DefaultImageFileName(const std::string& target);

}  // namespace tester
