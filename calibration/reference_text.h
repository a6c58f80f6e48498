#pragma once
// The reference values as the operator types them in the configuration window: which
// texts count as numbers, and reading them into the station's reference values.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/tester_config.h"

namespace tester {

// A decimal number: optional sign, digits with an optional fraction (or a fraction alone),
// an optional exponent; blanks around it are allowed. Empty text is not a number.
bool IsNumericText(std::string_view text);

// A numeric text as a whole number, rounded to nearest with ties to even; nullopt when the
// text is not numeric or the value does not fit 32 bits.
std::optional<int32_t> WholeNumberFromText(std::string_view text);
// A numeric text as a finite single-precision number; nullopt otherwise.
std::optional<float> SingleFromText(std::string_view text);

// The texts of the reference boxes: txtVoltage(0..3), txtCurrent, txtTemperature.
struct ReferenceTexts {
  std::array<std::string, 4> voltage;
  std::string current;
  std::string temperature;
  bool operator==(const ReferenceTexts&) const = default;
};

// The station's references as the boxes show them.
ReferenceTexts ReferencesToTexts(const TesterConfigProperties& config);
// Every box read into `config` (RefVoltage1..4 and RefCurrent whole numbers, RefTemperature
// single precision); false, and `config` untouched, when any box does not read.
bool TextsToReferences(const ReferenceTexts& texts, TesterConfigProperties& config);

}  // namespace tester
