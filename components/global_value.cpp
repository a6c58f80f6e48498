#include "components/global_value.h"

#include <optional>

#include "common/tester_config.h"
#include "components/config_keys.h"
#include "components/config_values.h"
#include "platform/atomic_file.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

namespace tester {

long long GlobalNumber(const std::string& program_folder, std::string_view key) {
  const ConfigKey* entry = FindConfigKey(key);
  if (entry == nullptr) return 0;
  TesterConfigProperties props;
  SetDefault(*entry, props);
  const std::optional<std::string> text =
      ReadWholeFile(JoinProgramPath(program_folder, std::string(kGlobalIniName)), nullptr);
  if (text) {
    const std::optional<std::string> value =
        IniDocument::Parse(*text).Value(entry->section, entry->key);
    // A refused value leaves the default in place.
    if (value && !value->empty()) ApplyValue(*entry, *value, props);
  }
  switch (entry->kind) {
    case ValueKind::kFlag:
    case ValueKind::kInt16: return props.*std::get<int16_t TesterConfigProperties::*>(entry->field);
    case ValueKind::kInt32: return props.*std::get<int32_t TesterConfigProperties::*>(entry->field);
    default: return 0;
  }
}

}  // namespace tester
