#pragma once
// Property values as they stand in a settings file: written locale-independently, reals
// with enough digits to read back the same single-precision number, texts in double quotes;
// read strictly, so that a mistyped value is noticed instead of half-read.
#include <string>
#include <string_view>

#include "common/tester_config.h"
#include "components/config_keys.h"

namespace tester {

// Sets the property to its default.
void SetDefault(const ConfigKey& key, TesterConfigProperties& props);

// Why the property's current value cannot be written faithfully (a text with a line break,
// a real that is not a finite number); empty when it can.
std::string WriteProblem(const ConfigKey& key, const TesterConfigProperties& props);

// The value text written for the property's current value.
std::string FormatValue(const ConfigKey& key, const TesterConfigProperties& props);

// Stores the value read from the file (already trimmed and unquoted) into the property.
// A value the property does not accept leaves the property as it was and returns why, as
// a warning text; empty = stored.
std::string ApplyValue(const ConfigKey& key, std::string_view text, TesterConfigProperties& props);

// The values the property accepts, for messages: "0 or 1", "whole numbers 1 to 4", ...
std::string AcceptedValues(const ConfigKey& key);

// Why `value` cannot be stored in the numeric property (not finite, outside its range);
// empty when it can.
std::string NumberProblem(const ConfigKey& key, double value);

// The key of the table with this name, or null.
const ConfigKey* FindConfigKey(std::string_view name);

// The default as written in the file and in warnings.
std::string FormatDefault(const ConfigKey& key);

}  // namespace tester
