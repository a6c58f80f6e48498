#include "dfreader/permanent_failure.h"

#include <array>
#include <cstdint>

namespace tester {
namespace {

constexpr int kKFactorGauge = 2;            // UseKFactor of the gauges with their own rules
constexpr uint8_t kCmdMac = 0x00;           // manufacturer access; word read: operation status
constexpr int16_t kSubPfBlock = 0x0054;     // subcommand: the failure flags into block 0x23
constexpr uint8_t kCmdMacBlock = 0x23;      // block read: what the subcommand selected
constexpr uint8_t kCmdSafetyStatus = 0x23;  // word read: safety status
constexpr uint8_t kCmdPfStatus = 0x53;      // word read: permanent-failure status
constexpr uint8_t kCmdPfBlock = 0x54;       // block read: [.., flags, ..]
constexpr uint8_t kPfFlag = 0x10;           // bit 4 of byte 1 of the flag blocks
constexpr uint16_t kPfStatusBits = 0x3000;  // permanent-failure bits of the operation status
constexpr int kSubcommandWaitMs = 50;
constexpr int kBlockWaitMs = 20;

enum class Rule { kPfWord, kSubcommandBlock, kStatusBits, kFlagBlock, kSafetyWord };

Rule RuleFor(const std::string& t4, bool k2) {
  if (!k2) return Rule::kSafetyWord;
  if (t4 == "6EF0" || t4 == "3050") return Rule::kPfWord;
  if (t4 == "1350") return Rule::kSubcommandBlock;
  if (t4 == "7707" || t4 == "76D4" || t4 == "76D5" || t4 == "76D6") return Rule::kStatusBits;
  return Rule::kFlagBlock;
}

}  // namespace

PermanentFailureCheck CheckPermanentFailure(GaugeLink& link, const std::string& target,
                                            int use_kfactor) {
  const Rule rule = RuleFor(target.substr(0, 4), use_kfactor == kKFactorGauge);
  int16_t word = 0;
  std::array<uint8_t, 33> block{};
  int16_t length = 0;
  PermanentFailureCheck check;
  Status& status = check.read_status;
  switch (rule) {
    case Rule::kPfWord:
      status = link.ReadWord(kCmdPfStatus, word, kAddrSmbusGauge);
      break;
    case Rule::kSubcommandBlock:
      status = link.WriteWord(kCmdMac, kSubPfBlock, kAddrSmbusGauge);
      if (status != 0) break;
      link.WaitMs(kSubcommandWaitMs);
      status = link.ReadBlock(kCmdMacBlock, block, length, kAddrSmbusGauge);
      link.WaitMs(kSubcommandWaitMs);
      break;
    case Rule::kStatusBits:
      status = link.ReadWord(kCmdMac, word, kAddrSmbusGauge);
      break;
    case Rule::kFlagBlock:
      status = link.ReadBlock(kCmdPfBlock, block, length, kAddrSmbusGauge);
      link.WaitMs(kBlockWaitMs);
      // The word read only stands in for the block so the gauge is known to answer; the
      // decision is taken on the block's flags, which stay clear.
      if (status != 0) {
        block.fill(0);
        status = link.ReadWord(kCmdMac, word, kAddrSmbusGauge);
      }
      break;
    case Rule::kSafetyWord:
      status = link.ReadWord(kCmdSafetyStatus, word, kAddrSmbusGauge);
      if (status != 0) status = link.ReadWord(kCmdPfStatus, word, kAddrSmbusGauge);
      break;
  }
  if (status != 0) return check;
  switch (rule) {
    case Rule::kPfWord:
    case Rule::kSafetyWord:
      check.failed = word != 0;
      break;
    case Rule::kStatusBits:
      check.failed = (static_cast<uint16_t>(word) & kPfStatusBits) != 0;
      break;
    case Rule::kSubcommandBlock:
    case Rule::kFlagBlock:
      check.failed = (block[1] & kPfFlag) != 0;
      break;
  }
  return check;
}

}  // namespace tester
