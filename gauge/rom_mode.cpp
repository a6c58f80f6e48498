#include "gauge/rom_mode.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "common/register_map.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {

namespace {

// Loader command that makes it report a probe word at the data registers.
constexpr uint8_t kLoaderCmdProbe = 0x0D;
// Loader command that starts the gauge firmware.
constexpr uint8_t kLoaderCmdExecute = 0x0F;
// Time the gauge firmware needs to start after the loader hands over.
constexpr int kFirmwareStartMs = 200;
// The loader is probed this often while it comes up, and given this long to answer.
constexpr int kLoaderProbePauseMs = 10;
constexpr double kLoaderAnswerSeconds = 2.0;
// As many probes as the answer time holds pauses. Reached first only when the adapter's
// pause lets no time pass (a control that does not pause, or a link whose control was
// released while the probes pumped events): the wait then still ends instead of spinning.
constexpr int kLoaderMaxProbes = 200;

// SMBus loader: probe word command, its thresholds, the signature command pair, exit.
constexpr uint8_t kRomCmdProbe = 0x0D;
constexpr int16_t kProbeReady = 100;       // a probe at or above this: the loader is ready
constexpr int kReadyProbes = 100;
constexpr uint8_t kRomCmdSignatureSelect = 0x00;
constexpr uint8_t kRomCmdSignatureRead = 0x01;
constexpr uint8_t kRomCmdExit = 0x08;
constexpr const char* kRomSignature = "545415";

// The register-style loader takes a command byte at register 0x00 followed by its
// checksum (the sum of the bytes sent, here the command alone) at register 0x64.
bool SendLoaderCommand(GaugeLink& link, uint8_t command) {
  if (link.WriteRegByte(regmap::kLoaderCommand, command, kAddrRegLoader) != 0) return false;
  return link.WriteRegWord(regmap::kLoaderChecksum, command, kAddrRegLoader) == 0;
}

// Command set 5: the loader check runs on the register-style bus. Every path that got the
// bus switched switches it back, so gauge-mode traffic never meets the wrong bus mode.
int16_t CheckSwitchedLoader(GaugeLink& link) {
  if (link.SelectBusMode(kBusModeRegister) != 0) return kFalse;
  const int16_t in_rom = IsROMModeI2C(link);
  const Status back = link.SelectBusMode(kBusModeSmbus);
  return (in_rom == kTrue && back == 0) ? kTrue : kFalse;
}

}  // namespace

int16_t EnterROMMode(GaugeLink& link, uint8_t cmd, int16_t value) {
  if (link.WriteWord(cmd, value, kAddrSmbusGauge) != 0) return kFalse;
  if (link.Settings().COMMANDSET == kCommandSetSwitchedLoader) return CheckSwitchedLoader(link);
  int16_t probe = 0;
  if (ReadROMProbe(link, probe) != 0) return kFalse;
  return probe > kProbeInRomMode ? kTrue : kFalse;
}

Status EnterROMModeI2C(GaugeLink& link, uint8_t reg, int16_t value) {
  const Status status = link.WriteRegWord(reg, value, kAddrRegGauge);
  if (status != 0) return status;
  const double start = link.TimerNow();
  for (int probes = 1;; ++probes) {
    uint8_t result = 0;  // the loader answering at all is the sign; its value is not used
    if (link.ReadRegByte(regmap::kLoaderResult, result, kAddrRegLoader) == 0) return 0;
    link.AdapterPause(kLoaderProbePauseMs);
    if (link.ElapsedSeconds(start) >= kLoaderAnswerSeconds || probes >= kLoaderMaxProbes) {
      return kStatusRomLoaderTimeout;
    }
  }
}

int16_t IsROMModeI2C(GaugeLink& link) {
  if (!SendLoaderCommand(link, kLoaderCmdProbe)) return kFalse;
  int16_t probe = 0;
  if (link.ReadRegWord(regmap::kLoaderData, probe, kAddrRegLoader) != 0) return kFalse;
  return probe > kProbeInRomMode ? kTrue : kFalse;
}

int16_t ExitROMModeI2C(GaugeLink& link) {
  if (!SendLoaderCommand(link, kLoaderCmdExecute)) return kFalse;
  link.WaitMs(kFirmwareStartMs);
  return kTrue;
}

Status ReadROMProbe(GaugeLink& link, int16_t& value) {
  return link.ReadWord(kRomCmdProbe, value, kAddrSmbusGauge);
}

// The probes are counted here rather than by `counter`, so a caller passing a nonzero
// counter still gets the full 100 probes.
Status WaitROMReady(GaugeLink& link, int32_t& counter) {
  for (int probes = 0; probes < kReadyProbes; ++probes) {
    ++counter;
    int16_t probe = 0;
    if (ReadROMProbe(link, probe) == 0 && probe >= kProbeReady) return 0;
  }
  return kStatusRomNotReady;
}

int16_t HasROMSignature(GaugeLink& link) {
  // Block that makes the loader answer its signature at the next block read.
  const uint8_t select[] = {0x00, 0x00, 0x05};
  if (link.WriteBlock(kRomCmdSignatureSelect, select, sizeof select, kAddrSmbusGauge) != 0) {
    return kFalse;
  }
  std::string text;
  if (link.ReadBlockText(kRomCmdSignatureRead, text, kAddrSmbusGauge, 0) != 0) return kFalse;
  std::erase(text, ' ');
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text == kRomSignature ? kTrue : kFalse;
}

Status ExitROMMode(GaugeLink& link) { return link.SendCommandByte(kRomCmdExit, kAddrSmbusGauge); }

Status WriteWordPair(GaugeLink& link, uint8_t cmd1, int16_t value1, uint8_t cmd2,
                     int16_t value2, uint8_t addr) {
  Status status = link.WriteWord(cmd1, value1, addr);
  if (status == 0) status = link.WriteWord(cmd2, value2, addr);
  if (status == 0) status = link.CheckBusStatus();
  return status;
}

Status WriteThenReadWord(GaugeLink& link, uint8_t cmd1, int16_t value1, uint8_t cmd2,
                         int16_t& value2, uint8_t addr) {
  const Status status = link.WriteWord(cmd1, value1, addr);
  if (status != 0) return status;
  return link.ReadWord(cmd2, value2, addr);
}

}  // namespace tester
