// Writes the demo golden images: for every station of the built-in virtual jig, the data
// flash of its reference pack (the first of its queue), read through the gauge's ROM
// loader as the image reader reads a reference gauge, stored as
// <demo folder>/Tester_<target>.rom in the layout of the gauge's command-set family.
//
//   make_golden_images <demo folder>
//
// Settings come from <demo folder>/Config.ini. Runs on the virtual clock.
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "components/image_digest.h"
#include "gauge/gauge_identity.h"
#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "common/status_codes.h"
#include "gauge/rom_mode.h"
#include "gauge/settings_loader.h"
#include "gauge/station_settings.h"
#include "platform/virtual_clock.h"
#include "sim/default_jig.h"
#include "sim/sim_control.h"
#include "testing/jig_station.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

// --- SMBus ROM loader at 0x17 ---
constexpr uint8_t kSmbSelect = 0x00;       // block [0, 0, 0x10]: select the identity bytes
constexpr uint8_t kSmbSelectRead = 0x01;   // block read of what was selected
constexpr uint8_t kSmbAddress = 0x09;      // word: data-flash address of the next row read
constexpr uint8_t kSmbReadRow = 0x0C;      // block read: the row at that address
constexpr int kSmbRowBuffer = 65;

// --- register-style ROM loader at 0x16 ---
constexpr uint8_t kRegCommand = 0x00;
constexpr uint8_t kRegData = 0x04;         // count byte of a data-flash read
constexpr uint8_t kRegReadData = 0x05;     // data-flash bytes read
constexpr uint8_t kRegChecksum = 0x64;
constexpr uint8_t kRegResult = 0x66;
constexpr uint8_t kLdrReadRow = 0x00;      // [0x00, 0, 0]: instruction row 0 to 0x04..
constexpr uint8_t kLdrReadFlash = 0x07;    // [0x07, a lo, a hi] + count: data-flash bytes
constexpr int kRowBytes = 96;
constexpr int kIdentityOffset = 48;

int32_t RowsToRead(const StationSettings& s) {
  return s.DF_PROGROW_SZ > 0 ? s.DF_IMAGE_SZ / s.DF_PROGROW_SZ : 0;
}

// A row must fit the buffer its read lands in (SMBus) or the count byte that asks for it
// (register loader).
bool RowSizeFits(const StationSettings& s, int limit) {
  return s.DF_PROGROW_SZ > 0 && s.DF_PROGROW_SZ <= limit;
}

Status ReadSMBus(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data) {
  const StationSettings& s = link.Settings();
  int16_t probe = 0;
  Status status = ReadROMProbe(link, probe);
  if (status != 0) return status;
  if (probe <= 100) return kStatusNotInRomMode;
  if (!RowSizeFits(s, kSmbRowBuffer)) return kStatusImageGeometryInvalid;
  const uint8_t select[3] = {0x00, 0x00, 0x10};
  status = link.WriteBlock(kSmbSelect, select, 3, kAddrSmbusGauge);
  std::string text;
  if (status == 0) status = link.ReadBlockText(kSmbSelectRead, text, kAddrSmbusGauge, 0);
  if (status != 0) return status;
  identity = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 16));
  for (int32_t i = 0; i < RowsToRead(s); ++i) {
    const int address = s.DF_BASE_ADDR + i * s.DF_PROGROW_SZ;
    status = link.WriteWord(kSmbAddress, static_cast<int16_t>(address), kAddrSmbusGauge);
    std::vector<uint8_t> row(kSmbRowBuffer);
    int16_t length = 0;
    if (status == 0) status = link.ReadBlock(kSmbReadRow, row, length, kAddrSmbusGauge);
    if (status != 0) return status;
    data.insert(data.end(), row.begin(), row.begin() + s.DF_PROGROW_SZ);
  }
  return 0;
}

Status LoaderResult(GaugeLink& link) {
  uint8_t result = 0;
  const Status status = link.ReadRegByte(kRegResult, result, kAddrRegLoader);
  return status != 0 ? status : (result == 0 ? 0 : kStatusChecksumMismatch);
}

Status ReadRegister(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data) {
  const StationSettings& s = link.Settings();
  if (!RowSizeFits(s, 0xFF)) return kStatusImageGeometryInvalid;
  const uint8_t row_cmd[3] = {kLdrReadRow, 0, 0};
  Status status = link.WriteRegBlock(kRegCommand, row_cmd, 3, kAddrRegLoader);
  if (status == 0) status = link.WriteRegByte(kRegChecksum, kLdrReadRow, kAddrRegLoader);
  if (status == 0) status = LoaderResult(link);
  std::vector<uint8_t> row(kRowBytes);
  int16_t length = kRowBytes;
  if (status == 0) status = link.ReadRegBlock(kRegData, row, length, kAddrRegLoader);
  uint8_t after = 0;  // the loader's result once more; only the transfer counts
  if (status == 0) status = link.ReadRegByte(kRegResult, after, kAddrRegLoader);
  if (status != 0) return status;
  identity = row[kIdentityOffset] << 16 | row[kIdentityOffset + 1] << 8 | row[kIdentityOffset + 2];
  const auto count = static_cast<uint8_t>(s.DF_PROGROW_SZ);
  for (int32_t i = 0; i < RowsToRead(s); ++i) {
    const int address = s.DF_BASE_ADDR + i * s.DF_PROGROW_SZ;
    const uint8_t lo = static_cast<uint8_t>(address & 0xFF);
    const uint8_t hi = static_cast<uint8_t>(address >> 8);
    const uint8_t command[3] = {kLdrReadFlash, lo, hi};
    status = link.WriteRegBlock(kRegCommand, command, 3, kAddrRegLoader);
    if (status == 0) status = link.WriteRegByte(kRegData, count, kAddrRegLoader);
    if (status == 0) {
      const auto checksum = static_cast<int16_t>(kLdrReadFlash + lo + hi + count);
      status = link.WriteRegWord(kRegChecksum, checksum, kAddrRegLoader);
    }
    std::vector<uint8_t> bytes(count);
    int16_t got = count;
    if (status == 0) status = link.ReadRegBlock(kRegReadData, bytes, got, kAddrRegLoader);
    if (status == 0) status = LoaderResult(link);
    int16_t check = 0;
    if (status == 0) status = link.ReadRegWord(kRegChecksum, check, kAddrRegLoader);
    if (status != 0) return status;
    unsigned sum = count;
    for (uint8_t b : bytes) sum += b;
    if (static_cast<uint16_t>(sum) != static_cast<uint16_t>(check)) return kStatusChecksumMismatch;
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  return 0;
}

// ROM entry, the read, and the way back to the firmware, for the station's family.
Status ReadReference(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data) {
  const StationSettings& s = link.Settings();
  const auto cmd = static_cast<uint8_t>(s.RetROMCmd);
  const int family = s.COMMANDSET;
  if (IsRegisterGauge(family)) {
    Status status = EnterROMModeI2C(link, cmd, s.RetROMWd);
    if (status == 0) status = ReadRegister(link, identity, data);
    if (status == 0 && ExitROMModeI2C(link) != kTrue) status = kStatusRomExitFailed;
    return status;
  }
  if (EnterROMMode(link, cmd, s.RetROMWd) != kTrue) return kStatusRomLoaderTimeout;
  if (family != 5) {
    Status status = ReadSMBus(link, identity, data);
    if (status == 0) status = ExitROMMode(link);
    return status;
  }
  Status status = link.SelectBusMode(1);
  if (status != 0) return status;
  status = ReadRegister(link, identity, data);
  if (status == 0 && ExitROMModeI2C(link) != kTrue) status = kStatusRomExitFailed;
  const Status back = link.SelectBusMode(0);
  return status != 0 ? status : back;
}

Status IdentityText(GaugeLink& link, std::string& text) {
  const auto mac = static_cast<uint8_t>(link.Settings().QZMAC);
  if (IsRegisterGauge(link.Settings().COMMANDSET)) return ReadDeviceVersionI2C(link, text, mac);
  return ReadDeviceVersion(link, text, mac);
}

bool WriteStationImage(SimControl& control, const AdapterDescription& adapter,
                       VirtualClock& clock, const std::string& demo) {
  const std::string target = TargetOf(adapter.packs.at(0));
  StationSettings settings;
  LoadStationSettings(settings, demo, target);
  GaugeLink link(clock, settings, LinkVariant::ImageReader);
  if (control.OpenAdapter(adapter.identifier) == -1) {
    std::fprintf(stderr, "%s: adapter %s cannot be opened\n", target.c_str(),
                 adapter.identifier.c_str());
    return false;
  }
  link.BindGaugeControl(&control);
  std::string seen;
  Status status = IdentityText(link, seen);
  if (status == 0 && seen != target) {
    std::fprintf(stderr, "%s: the gauge reports %s\n", target.c_str(), seen.c_str());
    status = kStatusIdentityMismatch;
  }
  int32_t identity = 0;
  std::vector<uint8_t> data;
  if (status == 0) status = ReadReference(link, identity, data);
  link.ReleaseGaugeControl();
  if (status != 0) {
    std::fprintf(stderr, "%s: reading the reference gauge failed with status %d\n",
                 target.c_str(), status);
    return false;
  }
  const ImageLayout layout = ImageLayoutFor(settings.COMMANDSET);
  const std::string path = demo + "/" + DefaultImageFileName(target);
  std::string error;
  if (!WriteImageFile(path, MakeImageRecord(identity, data, layout, settings), layout, error)) {
    std::fprintf(stderr, "Error Writing to file: %s\n%s\n", path.c_str(), error.c_str());
    return false;
  }
  // The digest beside the image is what the stations check the image against.
  if (!WriteImageDigest(path, error)) {
    std::fprintf(stderr, "Error Writing to file: %s\n%s\n", DigestFileFor(path).c_str(),
                 error.c_str());
    return false;
  }
  std::printf("%s: command set %d, %s layout, identity 0x%06X, %zu bytes read\n", path.c_str(),
              settings.COMMANDSET, layout == ImageLayout::SMBus ? "SMBus" : "register", identity,
              data.size());
  return true;
}

int Run(const std::string& demo) {
  std::string error;
  const auto jig = ParseJigText(DefaultJigText(), error);
  if (!jig) {
    std::fprintf(stderr, "default jig: %s\n", error.c_str());
    return 1;
  }
  const test::ScratchFolder locks("golden-image-locks");
  if (!locks.Ok()) {
    std::fprintf(stderr, "lock folder: %s\n", locks.Error().c_str());
    return 1;
  }
  VirtualClock clock;
  auto control = MakeSimControl(*jig, locks.Path(), clock, error);
  bool ok = control != nullptr;
  if (!ok) std::fprintf(stderr, "virtual jig: %s\n", error.c_str());
  for (std::size_t i = 0; ok && i < jig->adapters.size(); ++i) {
    ok = WriteStationImage(*control, jig->adapters[i], clock, demo);
  }
  control.reset();
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace tester

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <demo folder>\n", argv[0]);
    return 2;
  }
  return tester::Run(argv[1]);
}
