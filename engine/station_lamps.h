#pragma once
// The four status lamps of the single-station window: which one a station state lights,
// their captions and their colours.
#include <array>
#include <cstdint>

#include "common/automation_contract.h"

namespace tester {

struct LampColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const LampColour&) const = default;
};

inline constexpr int kLampCount = 4;
inline constexpr int kNoLamp = -1;

// Label1(i) beside shpStatus(i).
inline constexpr std::array<const char*, kLampCount> kLampCaptions = {"Rdy", "Busy", "Pass",
                                                                      "FAIL"};
// A lamp that is off; its label then takes the system's button-face colour.
inline constexpr LampColour kLampOff{128, 128, 128};
// The lit colours: ready, busy, pass, fail.
inline constexpr std::array<LampColour, kLampCount> kLampLit = {
    LampColour{128, 128, 255}, LampColour{255, 176, 80}, LampColour{0, 255, 0},
    LampColour{255, 0, 0}};

// The lamp a StatusType value lights: vb_cbReady 0, vb_cbbusy 1, vb_cbPASS 2, vb_cbfail 3;
// kNoLamp for any other value (0, or a combination of bits such as 3).
constexpr int LitLamp(int32_t nState) {
  switch (nState) {
    case vb_cbReady: return 0;
    case vb_cbbusy: return 1;
    case vb_cbPASS: return 2;
    case vb_cbfail: return 3;
    default: return kNoLamp;
  }
}

// The colour lamp `index` shows when `lit` is the lit one.
constexpr LampColour LampColourOf(int index, int lit) {
  return index == lit && index >= 0 && index < kLampCount ? kLampLit[index] : kLampOff;
}

}  // namespace tester
