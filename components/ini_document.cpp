#include "components/ini_document.h"

#include "platform/profile_text.h"

namespace tester {
namespace {

using namespace profile_text;

enum class Kind { kBlank, kComment, kSection, kKey, kOther };

struct Meaning {
  Kind kind = Kind::kOther;
  std::string_view name;
  std::string_view value;
  std::size_t value_at = 0;  // where the value starts in the raw line (keys only)
};

Meaning Classify(std::string_view raw) {
  std::size_t skipped = 0;
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

std::optional<IniDocument::Span> IniDocument::FindSection(std::string_view section) const {
  section = Trim(section);
  std::optional<Span> span;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Meaning meaning = Classify(lines_[i].text);
    if (meaning.kind != Kind::kSection) continue;
    if (span) {
      span->end = i;
      return span;
    }
    if (SameName(meaning.name, section)) span = Span{i, lines_.size()};
  }
  return span;
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

std::optional<std::string> IniDocument::Value(std::string_view section,
                                              std::string_view key) const {
  const std::optional<Span> span = FindSection(section);
  if (!span) return std::nullopt;
  const std::optional<std::size_t> at = FindKey(*span, key);
  if (!at) return std::nullopt;
  return std::string(Classify(lines_[*at].text).value);
}

std::optional<std::size_t> IniDocument::LineOf(std::string_view section,
                                               std::string_view key) const {
  const std::optional<Span> span = FindSection(section);
  if (!span) return std::nullopt;
  const std::optional<std::size_t> at = FindKey(*span, key);
  if (!at) return std::nullopt;
  return *at + 1;
}

const std::string& IniDocument::LineEnd() const { return line_end_; }

void IniDocument::Insert(std::size_t at, std::string text) {
  // A last line without a line end gets one before anything follows it.
  if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = LineEnd();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), LineEnd()});
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

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value,
                      const std::vector<std::string>& comment) {
  std::optional<Span> span = FindSection(section);
  if (!span) {
    AppendSection(section, {});
    span = FindSection(section);
  }
  if (const std::optional<std::size_t> at = FindKey(*span, key)) {
    Line& line = lines_[*at];
    // Everything before the old value stays: the key's spelling and the blanks around '='.
    line.text = line.text.substr(0, Classify(line.text).value_at) + std::string(value);
    return;
  }
  std::size_t last = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (Classify(lines_[i].text).kind != Kind::kBlank) last = i;
  }
  std::size_t at = last + 1;
  for (const std::string& line : comment) Insert(at++, line);
  Insert(at, std::string(Trim(key)) + "=" + std::string(value));
}

std::string IniDocument::Render() const {
  std::string out;
  for (const Line& line : lines_) out += line.text + line.end;
  return out;
}

}  // namespace tester
