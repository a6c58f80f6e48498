#pragma once
// A settings file held in memory as its lines, so that many keys can be read from one
// snapshot of the file and many keys changed before the whole text is written once.
//
// Reading follows the profile rules of platform/profile.h: section and key names compare
// case-insensitively, only the first section of a name and the first key of a name in it
// count, names and values are trimmed, a value in matching quotes loses them, ';' starts a
// comment line. Changes touch only the lines they must: every other line keeps its bytes
// and its line end.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tester {

class IniDocument {
public:
  // The lines of `text`; an empty text gives an empty document.
  static IniDocument Parse(std::string_view text);

  bool Empty() const { return lines_.empty(); }
  bool HasSection(std::string_view section) const;

  // The value of `key` in `section`, or nullopt when the section or the key is absent.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // 1-based number of the line that holds `key` in `section`, or nullopt when absent.
  std::optional<std::size_t> LineOf(std::string_view section, std::string_view key) const;

  // Gives `key` the value text `value` (written as it stands: quote it yourself when needed).
  // An existing key keeps its spelling and the blanks around its '='; a new key goes after
  // the last non-blank line of the section, preceded by `comment` lines when given. A
  // missing section is appended at the end of the document first (see AppendSection).
  void Set(std::string_view section, std::string_view key, std::string_view value,
           const std::vector<std::string>& comment = {});

  // Appends "[section]" after a blank line, preceded by `comment` lines.
  void AppendSection(std::string_view section, const std::vector<std::string>& comment);

  // Appends lines as they stand (for a file's opening comment).
  void AppendLines(const std::vector<std::string>& lines);

  // The whole text: every line with its own line end.
  std::string Render() const;

private:
  struct Line {
    std::string text;
    std::string end;  // "\n", "\r\n", or "" for a last line without a line end
  };
  // Lines [header, end) of one section: its header and the lines up to the next header.
  struct Span {
    std::size_t header = 0;
    std::size_t end = 0;
  };

  std::optional<Span> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Span& span, std::string_view key) const;
  void Insert(std::size_t at, std::string text);
  const std::string& LineEnd() const;

  std::vector<Line> lines_;
  std::string line_end_ = "\n";  // line end of new lines: the file's own, else "\n"
};

}  // namespace tester
