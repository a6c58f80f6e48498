#pragma once
// The VTI boxes' texts as numbers, and numbers as the boxes show them. A box holds a
// decimal number: blanks around it, an optional sign, digits with an optional decimal
// point and exponent; anything else, an empty box included, is no number.
#include <cstdint>
#include <optional>
#include <string>

namespace tester {

// A voltage or current box as a 16-bit integer, rounded to nearest with ties to even;
// nullopt with `why` set when the text is no number or the rounded value lies outside
// -32768 to 32767.
std::optional<int16_t> VtiToInt16(const std::string& text, std::string& why);

// A temperature box as a single-precision number; nullopt with `why` as above (a value
// beyond the single range is no number either).
std::optional<float> VtiToSingle(const std::string& text, std::string& why);

// How a box shows a stored value: whole numbers in decimal, temperatures in their
// shortest exact form ("25", "24.1"), sensor readings in tenths as degrees ("23.5").
std::string VtiText(int32_t value);
std::string VtiText(float value);
std::string VtiTenthsText(int16_t tenths);

}  // namespace tester
