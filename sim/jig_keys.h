#pragma once
// Keys of the jig file's adapter and pack sections. Each setter parses one value into
// the description and, on failure, says what is wrong with it in `what`.
#include <string>

#include "sim/jig.h"

namespace tester {

enum class KeyResult { kApplied, kUnknownKey, kBadValue };

KeyResult ApplyAdapterKey(AdapterDescription& adapter, const std::string& key,
                          const std::string& value, std::string& what);
KeyResult ApplyPackKey(PackDescription& pack, const std::string& key, const std::string& value,
                       std::string& what);

}  // namespace tester
