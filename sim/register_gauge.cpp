#include "sim/register_gauge.h"

#include <algorithm>
#include <numeric>

#include "common/register_map.h"

namespace tester {
namespace {

constexpr uint16_t kSubDeviceType = 0x0001;       // manufacturer access: device type
constexpr uint16_t kSubFirmwareVersion = 0x0002;  // manufacturer access: firmware version
constexpr uint8_t kBlockChecksumBase = 0xFF;

}  // namespace

SimStatus RegGauge::WriteRegs(uint8_t reg, std::span<const uint8_t> data) {
  if (core_.Busy()) return kSimAddressNack;
  if (data.empty() || reg + data.size() > regs_.size()) return kSimCommandNack;
  const PackDescription& pack = core_.Pack();
  uint16_t word = data.size() == 2 ? static_cast<uint16_t>(data[0] | data[1] << 8) : 0;
  if (data.size() == 2 && reg == pack.rom_cmd && word == pack.rom_word) {
    core_.EnterRom();
    return kSimOk;
  }
  if (data.size() == 2 && reg == pack.mac_cmd) {
    ManufacturerAccess(word);
    return kSimOk;
  }
  std::copy(data.begin(), data.end(), regs_.begin() + reg);
  bool selects = reg <= regmap::kGaugeBlockIndex && reg + data.size() > regmap::kGaugeClass;
  if (selects) LoadBlock();
  if (reg <= regmap::kGaugeBlockCommit && reg + data.size() > regmap::kGaugeBlockCommit) {
    Commit(regs_[regmap::kGaugeBlockCommit]);
  }
  return kSimOk;
}

SimStatus RegGauge::ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) {
  if (core_.Busy()) return kSimAddressNack;
  if (count <= 0 || reg + count > static_cast<int>(regs_.size())) return kSimCommandNack;
  cal_.Refresh(regs_);
  data.assign(regs_.begin() + reg, regs_.begin() + reg + count);
  return kSimOk;
}

void RegGauge::ManufacturerAccess(uint16_t subcommand) {
  if (cal_.Control(subcommand)) return;
  const PackDescription& pack = core_.Pack();
  uint16_t answer = 0;
  if (subcommand == kSubDeviceType) answer = pack.device_type;
  if (subcommand == kSubFirmwareVersion) answer = pack.firmware;
  uint8_t reg = pack.mac_cmd;
  regs_[reg] = static_cast<uint8_t>(answer);
  if (reg + 1 < static_cast<int>(regs_.size())) regs_[reg + 1] = static_cast<uint8_t>(answer >> 8);
}

void RegGauge::LoadBlock() {
  std::vector<uint8_t> bytes;
  if (!flash_.ReadClassBlockLow(regs_[regmap::kGaugeClass], regs_[regmap::kGaugeBlockIndex], bytes)) {
    bytes.assign(kSimClassBlockBytes, 0x00);
  }
  bytes.resize(kSimClassBlockBytes, 0x00);
  std::copy(bytes.begin(), bytes.end(), regs_.begin() + regmap::kGaugeBlockData);
}

void RegGauge::Commit(uint8_t checksum) {
  auto begin = regs_.begin() + regmap::kGaugeBlockData;
  uint8_t sum = static_cast<uint8_t>(std::accumulate(begin, begin + kSimClassBlockBytes, 0u));
  // A wrong checksum drops the block: the data flash keeps its old contents.
  if (checksum != static_cast<uint8_t>(kBlockChecksumBase - sum)) return;
  std::span<const uint8_t> block(&*begin, kSimClassBlockBytes);
  if (flash_.WriteClassBlockLow(regs_[regmap::kGaugeClass], regs_[regmap::kGaugeBlockIndex], block)) {
    core_.StartBusy(core_.Pack().timings.commit_ms);
  }
}

}  // namespace tester
