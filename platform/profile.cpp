#include "platform/profile.h"

#include <filesystem>
#include <limits>
#include <optional>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/profile_text.h"

namespace tester::profile {
namespace {

using namespace profile_text;

// Line end of a file that does not exist yet.
constexpr std::string_view kDefaultLineEnd = "\n";
// Longest byte run of one UTF-8 character: a cut backs off at most this far.
constexpr std::size_t kMaxUtf8Continuation = 3;

// One line of the file as it stands, and the line end that followed it ("" at the end).
struct RawLine {
  std::string text;
  std::string end;
};

std::vector<RawLine> SplitLines(std::string_view content) {
  std::vector<RawLine> lines;
  while (!content.empty()) {
    const std::size_t nl = content.find('\n');
    if (nl == std::string_view::npos) {
      lines.push_back({std::string(content), ""});
      break;
    }
    const bool crlf = nl > 0 && content[nl - 1] == '\r';
    lines.push_back({std::string(content.substr(0, crlf ? nl - 1 : nl)), crlf ? "\r\n" : "\n"});
    content.remove_prefix(nl + 1);
  }
  return lines;
}

std::string JoinLines(const std::vector<RawLine>& lines) {
  std::string out;
  for (const RawLine& line : lines) out += line.text + line.end;
  return out;
}

enum class Kind { kBlank, kComment, kSection, kKey, kOther };

// What a line means: a section header with its name, a key with its value, or neither.
struct LineMeaning {
  Kind kind = Kind::kOther;
  std::string_view name;
  std::string_view value;
};

LineMeaning Classify(std::string_view raw) {
  // The mark stays in the line's text, so a rewrite of the file keeps it.
  if (raw.starts_with(kUtf8Bom)) raw.remove_prefix(kUtf8Bom.size());
  const std::string_view line = Trim(raw);
  if (line.empty()) return {Kind::kBlank, {}, {}};
  if (line.front() == ';') return {Kind::kComment, {}, {}};
  if (line.front() == '[') {
    // A header without its closing bracket names the rest of the line.
    const std::string_view inside = line.substr(1);
    return {Kind::kSection, Trim(inside.substr(0, inside.find(']'))), {}};
  }
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || eq == 0) return {Kind::kOther, {}, {}};
  return {Kind::kKey, Trim(line.substr(0, eq)), Unquote(Trim(line.substr(eq + 1)))};
}

// Lines [header, end) of one section: its header line and the lines up to the next header.
struct SectionSpan {
  std::size_t header = 0;
  std::size_t end = 0;
};

std::vector<SectionSpan> FindSections(const std::vector<RawLine>& lines, std::string_view name,
                                      bool first_only) {
  std::vector<SectionSpan> spans;
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const LineMeaning meaning = Classify(lines[i].text);
    if (meaning.kind != Kind::kSection) continue;
    if (inside) {
      spans.back().end = i;
      inside = false;
      if (first_only) return spans;
    }
    if (SameName(meaning.name, name)) {
      spans.push_back({i, lines.size()});
      inside = true;
    }
  }
  return spans;
}

std::optional<SectionSpan> FirstSection(const std::vector<RawLine>& lines, std::string_view name) {
  std::vector<SectionSpan> spans = FindSections(lines, name, true);
  if (spans.empty()) return std::nullopt;
  return spans.front();
}

// The file's contents for reading: a missing or unreadable file reads as empty.
std::vector<RawLine> LoadLines(const std::string& file) {
  std::optional<std::string> content = ReadWholeFile(file, nullptr);
  return content ? SplitLines(*content) : std::vector<RawLine>{};
}

// The file's contents before a change: empty when the file does not exist yet; nullopt
// when it exists but cannot be read (a change must then not overwrite it).
std::optional<std::vector<RawLine>> LoadLinesForChange(const std::string& file) {
  std::optional<std::string> content = ReadWholeFile(file, nullptr);
  if (content) return SplitLines(*content);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec) && !ec) return std::vector<RawLine>{};
  return std::nullopt;
}

bool Store(const std::string& file, const std::vector<RawLine>& lines) {
  return WriteFileAtomically(file, JoinLines(lines), nullptr);
}

std::string LineEndOf(const std::vector<RawLine>& lines) {
  if (!lines.empty() && !lines.front().end.empty()) return lines.front().end;
  return std::string(kDefaultLineEnd);
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

// Index after which a new key of the section goes: its last non-blank line.
std::size_t LastContentLine(const std::vector<RawLine>& lines, const SectionSpan& span) {
  std::size_t last = span.header;
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    if (Classify(lines[i].text).kind != Kind::kBlank) last = i;
  }
  return last;
}

void InsertLine(std::vector<RawLine>& lines, std::size_t at, std::string text,
                const std::string& line_end) {
  if (at > 0 && lines[at - 1].end.empty()) lines[at - 1].end = line_end;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), RawLine{std::move(text), line_end});
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

namespace {

std::string LowerName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = Lower(c);
  return lower;
}

}  // namespace

Snapshot Snapshot::Load(const std::string& file) {
  Snapshot snapshot;
  const std::vector<RawLine> lines = LoadLines(file);
  std::unordered_map<std::string, Entry>* current = nullptr;  // null: outside or repeated
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const LineMeaning meaning = Classify(lines[i].text);
    if (meaning.kind == Kind::kSection) {
      // Only the first section of a name counts.
      auto [at, added] = snapshot.sections_.try_emplace(LowerName(meaning.name));
      current = added ? &at->second : nullptr;
    } else if (meaning.kind == Kind::kKey && current != nullptr) {
      current->try_emplace(LowerName(meaning.name), Entry{true, std::string(meaning.value), i + 1});
    }
  }
  return snapshot;
}

Snapshot::Entry Snapshot::Find(std::string_view section, std::string_view key) const {
  const auto in = sections_.find(LowerName(Trim(section)));
  if (in == sections_.end()) return {};
  const auto at = in->second.find(LowerName(Trim(key)));
  return at == in->second.end() ? Entry{} : at->second;
}

RawValue ReadRaw(const std::string& file, std::string_view section, std::string_view key) {
  const std::vector<RawLine> lines = LoadLines(file);
  const std::optional<SectionSpan> span = FirstSection(lines, Trim(section));
  if (!span) return {};
  const std::string_view wanted = Trim(key);
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    const LineMeaning meaning = Classify(lines[i].text);
    if (meaning.kind == Kind::kKey && SameName(meaning.name, wanted)) {
      return {true, std::string(meaning.value)};
    }
  }
  return {};
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
  const std::vector<RawLine> lines = LoadLines(file);
  const std::optional<SectionSpan> span = FirstSection(lines, Trim(section));
  std::vector<std::string> out;
  if (!span) return out;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    const std::string_view line = Trim(lines[i].text);
    if (!line.empty()) out.emplace_back(line);
  }
  return out;
}

std::vector<std::string> SectionNames(const std::string& file) {
  std::vector<std::string> names;
  for (const RawLine& line : LoadLines(file)) {
    const LineMeaning meaning = Classify(line.text);
    if (meaning.kind != Kind::kSection) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || SameName(name, meaning.name);
    if (!seen) names.emplace_back(meaning.name);
  }
  return names;
}

bool WriteString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (!WritableSection(section) || !WritableKey(key) || HasLineBreak(value)) return false;
  std::optional<std::vector<RawLine>> lines = LoadLinesForChange(file);
  if (!lines) return false;
  const std::string line_end = LineEndOf(*lines);
  std::string entry = std::string(key) + "=" + std::string(value);
  const std::optional<SectionSpan> span = FirstSection(*lines, section);
  if (!span) {
    InsertLine(*lines, lines->size(), "[" + std::string(section) + "]", line_end);
    InsertLine(*lines, lines->size(), std::move(entry), line_end);
    return Store(file, *lines);
  }
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    const LineMeaning meaning = Classify((*lines)[i].text);
    if (meaning.kind == Kind::kKey && SameName(meaning.name, key)) {
      // The key keeps the spelling it has in the file.
      (*lines)[i].text = std::string(meaning.name) + "=" + std::string(value);
      return Store(file, *lines);
    }
  }
  InsertLine(*lines, LastContentLine(*lines, *span) + 1, std::move(entry), line_end);
  return Store(file, *lines);
}

bool DeleteKey(const std::string& file, std::string_view section, std::string_view key) {
  key = Trim(key);
  std::optional<std::vector<RawLine>> lines = LoadLinesForChange(file);
  if (!lines) return false;
  const std::optional<SectionSpan> span = FirstSection(*lines, Trim(section));
  if (!span) return true;
  // Every copy of the key goes: a second one would otherwise become visible.
  std::size_t removed = 0;
  for (std::size_t i = span->end; i-- > span->header + 1;) {
    const LineMeaning meaning = Classify((*lines)[i].text);
    if (meaning.kind == Kind::kKey && SameName(meaning.name, key)) {
      lines->erase(lines->begin() + static_cast<std::ptrdiff_t>(i));
      ++removed;
    }
  }
  return removed == 0 || Store(file, *lines);
}

bool ClearSection(const std::string& file, std::string_view section) {
  std::optional<std::vector<RawLine>> lines = LoadLinesForChange(file);
  if (!lines) return false;
  // Every copy of the section goes: a later one would otherwise take its place.
  const std::vector<SectionSpan> spans = FindSections(*lines, Trim(section), false);
  if (spans.empty()) return true;
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
    lines->erase(lines->begin() + static_cast<std::ptrdiff_t>(span->header),
                 lines->begin() + static_cast<std::ptrdiff_t>(span->end));
  }
  return Store(file, *lines);
}

}  // namespace tester::profile
