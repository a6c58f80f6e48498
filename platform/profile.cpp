#include "platform/profile.h"

#include <filesystem>
#include <limits>
#include <optional>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/ini_document.h"
#include "platform/profile_text.h"

namespace tester::profile {
namespace {

using namespace profile_text;

// Longest byte run of one UTF-8 character: a cut backs off at most this far.
constexpr std::size_t kMaxUtf8Continuation = 3;

// The file's contents for reading: a missing or unreadable file reads as empty.
IniDocument LoadDocument(const std::string& file) {
  std::optional<std::string> content = ReadWholeFile(file, nullptr);
  return IniDocument::Parse(content.value_or(std::string()));
}

// The file's contents before a change: empty when the file does not exist yet; nullopt
// when it exists but cannot be read (a change must then not overwrite it).
std::optional<IniDocument> LoadForChange(const std::string& file) {
  std::optional<std::string> content = ReadWholeFile(file, nullptr);
  if (content) return IniDocument::Parse(*content);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec) && !ec) return IniDocument{};
  return std::nullopt;
}

bool Store(const std::string& file, const IniDocument& document) {
  return WriteFileAtomically(file, document.Render(), nullptr);
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// Names a write may put into the file without changing the meaning of other lines: a line
// break would start a line of its own, '=' would end a key early, ']' a section name.
bool WritableSection(std::string_view section) {
  return !section.empty() && !HasLineBreak(section) && section.find(']') == section.npos;
}

bool WritableKey(std::string_view key) {
  return !key.empty() && !HasLineBreak(key) && key.find('=') == key.npos && key.front() != ';' &&
         key.front() != '[';
}

// Cuts `text` to at most `max_chars` bytes without splitting a UTF-8 character.
std::string Capped(std::string_view text, std::size_t max_chars) {
  if (text.size() <= max_chars) return std::string(text);
  std::size_t cut = max_chars;
  for (std::size_t back = 0; back < kMaxUtf8Continuation && cut > 0; ++back) {
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80) break;
    --cut;
  }
  if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) cut = max_chars;
  return std::string(text.substr(0, cut));
}

}  // namespace

IntParse ParseInt(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  IntParse result;
  const std::string_view trimmed = Trim(text);
  std::size_t i = 0;
  const bool negative = i < trimmed.size() && trimmed[i] == '-';
  if (i < trimmed.size() && (trimmed[i] == '-' || trimmed[i] == '+')) ++i;
  const std::size_t digits_start = i;
  int64_t magnitude = 0;
  for (; i < trimmed.size() && trimmed[i] >= '0' && trimmed[i] <= '9'; ++i) {
    if (magnitude <= kMax + 1) magnitude = magnitude * 10 + (trimmed[i] - '0');
  }
  result.digits = i > digits_start;
  result.clean = result.digits && i == trimmed.size();
  result.end = static_cast<std::size_t>(trimmed.data() - text.data()) + i;
  int64_t value = negative ? -magnitude : magnitude;
  if (value > kMax || value < kMin) {
    value = value > kMax ? kMax : kMin;
    result.saturated = true;
  }
  result.value = value;
  return result;
}

Snapshot Snapshot::Load(const std::string& file) {
  Snapshot snapshot;
  LoadDocument(file).ForEachKey([&snapshot](const IniDocument::KeyLine& key) {
    // Only the first key of a name counts.
    snapshot.sections_[LowerName(key.section)].try_emplace(
        LowerName(key.key), Entry{true, std::string(key.value), key.line});
  });
  return snapshot;
}

Snapshot::Entry Snapshot::Find(std::string_view section, std::string_view key) const {
  const auto in = sections_.find(LowerName(Trim(section)));
  if (in == sections_.end()) return {};
  const auto at = in->second.find(LowerName(Trim(key)));
  return at == in->second.end() ? Entry{} : at->second;
}

RawValue ReadRaw(const std::string& file, std::string_view section, std::string_view key) {
  std::optional<std::string> value = LoadDocument(file).Value(section, key);
  if (!value) return {};
  return {true, std::move(*value)};
}

int32_t ReadInt(const std::string& file, std::string_view section, std::string_view key,
                int32_t def) {
  const RawValue raw = ReadRaw(file, section, key);
  if (!raw.found || raw.text.empty()) return def;
  return static_cast<int32_t>(ParseInt(raw.text).value);
}

std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view def, std::size_t max_chars) {
  const RawValue raw = ReadRaw(file, section, key);
  return Capped(raw.found ? std::string_view(raw.text) : def, max_chars);
}

std::vector<std::string> ReadSection(const std::string& file, std::string_view section) {
  return LoadDocument(file).SectionLines(section);
}

std::vector<std::string> SectionNames(const std::string& file) {
  return LoadDocument(file).SectionNames();
}

bool WriteString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (!WritableSection(section) || !WritableKey(key) || HasLineBreak(value)) return false;
  std::optional<IniDocument> document = LoadForChange(file);
  if (!document) return false;
  document->SetPlain(section, key, value);
  return Store(file, *document);
}

bool DeleteKey(const std::string& file, std::string_view section, std::string_view key) {
  std::optional<IniDocument> document = LoadForChange(file);
  if (!document) return false;
  return document->RemoveKey(section, key) == 0 || Store(file, *document);
}

bool ClearSection(const std::string& file, std::string_view section) {
  std::optional<IniDocument> document = LoadForChange(file);
  if (!document) return false;
  return document->RemoveSection(section) == 0 || Store(file, *document);
}

}  // namespace tester::profile
