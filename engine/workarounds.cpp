#include "engine/workarounds.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "calibration/board_offset_direct.h"
#include "engine/cal_limits.h"
#include "gauge/df_access.h"
#include "gauge/station_settings.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace tester {
namespace {

constexpr std::size_t kMaxHexDigits = 8;  // a 32-bit value

std::optional<int32_t> ParseHex(std::string_view text) {
  if (text.empty() || text.size() > kMaxHexDigits) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return static_cast<int32_t>(value);
}

// The affected firmware needs its manufacturer block written back as its first 14 bytes;
// the wait gives the gauge time to store it in data flash.
Status RewriteMfrBlock(GaugeLink& link) {
  DFBlockBuffer block{};
  int16_t length = 0;
  Status status = link.ReadBlock(kMfrBlockCmd, block, length, kAddrSmbusGauge);
  if (status != 0) return status;
  // Fewer bytes than are written back: the rest of the buffer would go to the gauge as
  // made-up data.
  if (length < kMfrBlockFixLength) return kStatusUnexpectedFailure;
  status = link.WriteBlock(kMfrBlockCmd, block, kMfrBlockFixLength, kAddrSmbusGauge);
  if (status != 0) return status;
  link.PauseBoth(link.Settings().GGModeDFDelay);
  return 0;
}

Status SampleBoardOffset(CalContext& ctx, int16_t issues, const std::string& program_folder) {
  Status status = ctx.board.CalBoardLoadOff();
  if (status != 0) return status;
  int16_t sense = 0;
  status = ctx.link.ReadWord(kSenseResistanceCmd, sense, kAddrSmbusGauge);
  if (status != 0) return status;
  const int32_t samples = profile::ReadInt(JoinProgramPath(program_folder, kTestIniName),
                                           "Samples", "NumSamples", kDefaultNumSamples);
  const int32_t count = samples / 2;
  if (count > std::numeric_limits<int16_t>::max()) return kStatusUnexpectedFailure;
  return CalibrateBoardOffsetDirect(ctx, static_cast<int16_t>(count), kBoardOffsetSampleMs,
                                    sense, issues, kAddrSmbusGauge);
}

}  // namespace

void ParseTargetName(std::string_view target_name, int32_t& device_type, int32_t& version) {
  device_type = kDefaultDeviceType;
  version = kDefaultDeviceVersion;
  const std::size_t dot = target_name.find('.');
  if (dot == std::string_view::npos) return;
  if (const auto type = ParseHex(target_name.substr(0, dot))) device_type = *type;
  std::string rest(target_name.substr(dot + 1));
  rest.erase(std::remove(rest.begin(), rest.end(), '.'), rest.end());
  if (const auto parsed = ParseHex(rest)) version = *parsed;
}

Status RunWorkarounds(CalContext& ctx, std::string_view target_name, int32_t platform,
                      int16_t issues, int16_t cal_board_offset,
                      const std::string& program_folder) {
  int32_t device_type = 0;
  int32_t version = 0;
  ParseTargetName(target_name, device_type, version);
  if (device_type == kBlockFixDeviceType && version == kBlockFixVersion) {
    const Status status = RewriteMfrBlock(ctx.link);
    if (status != 0) return status;
  }
  if (platform == kBoardOffsetPlatform && cal_board_offset != 0) {
    return SampleBoardOffset(ctx, issues, program_folder);
  }
  return 0;
}

}  // namespace tester
