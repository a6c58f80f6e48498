#include "platform/ini_document.h"

#include <unordered_set>
#include <utility>

#include "platform/profile_text.h"

namespace tester {
namespace {

using namespace profile_text;

enum class Kind { kBlank, kComment, kSection, kKey, kOther };

// What a line means: a section header with its name, a key with its value, or neither.
struct Meaning {
  Kind kind = Kind::kOther;
  std::string_view name;
  std::string_view value;
  std::size_t value_at = 0;  // where the value starts in the raw line (keys only)
};

Meaning Classify(std::string_view raw) {
  std::size_t skipped = 0;
  // The mark stays in the line's text, so a rewrite of the file keeps it.
  if (raw.starts_with(kUtf8Bom)) skipped = kUtf8Bom.size();
  const std::string_view line = Trim(raw.substr(skipped));
  if (line.empty()) return {Kind::kBlank, {}, {}, 0};
  if (line.front() == ';') return {Kind::kComment, {}, {}, 0};
  if (line.front() == '[') {
    // A header without its closing bracket names the rest of the line.
    const std::string_view inside = line.substr(1);
    return {Kind::kSection, Trim(inside.substr(0, inside.find(']'))), {}, 0};
  }
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || eq == 0) return {Kind::kOther, {}, {}, 0};
  const std::size_t eq_in_raw = raw.find('=');
  const std::size_t value_at = raw.find_first_not_of(kBlanks, eq_in_raw + 1);
  return {Kind::kKey, Trim(line.substr(0, eq)), Unquote(Trim(line.substr(eq + 1))),
          value_at == std::string_view::npos ? raw.size() : value_at};
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    if (nl == std::string_view::npos) {
      doc.lines_.push_back({std::string(text), ""});
      break;
    }
    const bool crlf = nl > 0 && text[nl - 1] == '\r';
    doc.lines_.push_back({std::string(text.substr(0, crlf ? nl - 1 : nl)), crlf ? "\r\n" : "\n"});
    text.remove_prefix(nl + 1);
  }
  if (!doc.lines_.empty() && !doc.lines_.front().end.empty()) {
    doc.line_end_ = doc.lines_.front().end;
  }
  return doc;
}

std::vector<IniDocument::Span> IniDocument::FindSections(std::string_view section,
                                                         bool first_only) const {
  section = Trim(section);
  std::vector<Span> spans;
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Meaning meaning = Classify(lines_[i].text);
    if (meaning.kind != Kind::kSection) continue;
    if (inside) {
      spans.back().end = i;
      inside = false;
      if (first_only) return spans;
    }
    if (SameName(meaning.name, section)) {
      spans.push_back({i, lines_.size()});
      inside = true;
    }
  }
  return spans;
}

std::optional<IniDocument::Span> IniDocument::FindSection(std::string_view section) const {
  const std::vector<Span> spans = FindSections(section, true);
  if (spans.empty()) return std::nullopt;
  return spans.front();
}

std::optional<std::size_t> IniDocument::FindKey(const Span& span, std::string_view key) const {
  key = Trim(key);
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    const Meaning meaning = Classify(lines_[i].text);
    if (meaning.kind == Kind::kKey && SameName(meaning.name, key)) return i;
  }
  return std::nullopt;
}

bool IniDocument::HasSection(std::string_view section) const {
  return FindSection(section).has_value();
}

std::optional<std::size_t> IniDocument::FindKey(std::string_view section,
                                                std::string_view key) const {
  const std::optional<Span> span = FindSection(section);
  return span ? FindKey(*span, key) : std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section,
                                              std::string_view key) const {
  const std::optional<std::size_t> at = FindKey(section, key);
  if (!at) return std::nullopt;
  return std::string(Classify(lines_[*at].text).value);
}

std::optional<std::size_t> IniDocument::LineOf(std::string_view section,
                                               std::string_view key) const {
  const std::optional<std::size_t> at = FindKey(section, key);
  if (!at) return std::nullopt;
  return *at + 1;
}

std::vector<std::string> IniDocument::SectionLines(std::string_view section) const {
  std::vector<std::string> out;
  const std::optional<Span> span = FindSection(section);
  if (!span) return out;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    const std::string_view line = Trim(lines_[i].text);
    if (!line.empty()) out.emplace_back(line);
  }
  return out;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const Line& line : lines_) {
    const Meaning meaning = Classify(line.text);
    if (meaning.kind == Kind::kSection && seen.insert(LowerName(meaning.name)).second) {
      names.emplace_back(meaning.name);
    }
  }
  return names;
}

void IniDocument::ForEachKey(const std::function<void(const KeyLine&)>& visit) const {
  std::unordered_set<std::string> seen;
  std::string_view section;
  bool counts = false;  // inside the first section of its name
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Meaning meaning = Classify(lines_[i].text);
    if (meaning.kind == Kind::kSection) {
      section = meaning.name;
      counts = seen.insert(LowerName(section)).second;
    } else if (meaning.kind == Kind::kKey && counts) {
      visit(KeyLine{section, meaning.name, meaning.value, i + 1});
    }
  }
}

void IniDocument::Insert(std::size_t at, std::string text) {
  // A last line without a line end gets one before anything follows it.
  if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = line_end_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                Line{std::move(text), line_end_});
}

void IniDocument::AppendLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) Insert(lines_.size(), line);
}

void IniDocument::AppendSection(std::string_view section,
                                const std::vector<std::string>& comment) {
  // A blank line sets the new section apart from what comes before it.
  if (!lines_.empty() && Classify(lines_.back().text).kind != Kind::kBlank) {
    Insert(lines_.size(), "");
  }
  AppendLines(comment);
  Insert(lines_.size(), "[" + std::string(Trim(section)) + "]");
}

std::optional<std::size_t> IniDocument::FindOrAddKey(std::string_view section,
                                                     std::string_view key,
                                                     std::string_view value,
                                                     const std::vector<std::string>& comment,
                                                     bool apart) {
  std::optional<Span> span = FindSection(section);
  if (!span) {
    if (apart) {
      AppendSection(section, {});
    } else {
      Insert(lines_.size(), "[" + std::string(Trim(section)) + "]");
    }
    span = Span{lines_.size() - 1, lines_.size()};
  }
  if (const std::optional<std::size_t> at = FindKey(*span, key)) return at;
  std::size_t last = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (Classify(lines_[i].text).kind != Kind::kBlank) last = i;
  }
  std::size_t at = last + 1;
  for (const std::string& line : comment) Insert(at++, line);
  Insert(at, std::string(Trim(key)) + "=" + std::string(value));
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value,
                      const std::vector<std::string>& comment) {
  if (const std::optional<std::size_t> at = FindOrAddKey(section, key, value, comment, true)) {
    Line& line = lines_[*at];
    // Everything before the old value stays: the key's spelling and the blanks around '='.
    line.text = line.text.substr(0, Classify(line.text).value_at) + std::string(value);
  }
}

void IniDocument::SetPlain(std::string_view section, std::string_view key,
                           std::string_view value) {
  if (const std::optional<std::size_t> at = FindOrAddKey(section, key, value, {}, false)) {
    Line& line = lines_[*at];
    // The key keeps the spelling it has in the file.
    line.text = std::string(Classify(line.text).name) + "=" + std::string(value);
  }
}

std::size_t IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  const std::optional<Span> span = FindSection(section);
  if (!span) return 0;
  key = Trim(key);
  std::size_t removed = 0;
  for (std::size_t i = span->end; i-- > span->header + 1;) {
    const Meaning meaning = Classify(lines_[i].text);
    if (meaning.kind == Kind::kKey && SameName(meaning.name, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      ++removed;
    }
  }
  return removed;
}

std::size_t IniDocument::RemoveSection(std::string_view section) {
  const std::vector<Span> spans = FindSections(section, false);
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(span->end));
  }
  return spans.size();
}

std::string IniDocument::Render() const {
  std::string out;
  for (const Line& line : lines_) out += line.text + line.end;
  return out;
}

}  // namespace tester
