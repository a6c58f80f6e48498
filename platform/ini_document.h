#pragma once
// A profile (INI) file held in memory as its lines: the one model behind the profile
// functions of platform/profile.h and the station configuration store. Many keys can be
// read from one reading of a file, and many keys changed before the whole text is
// written once.
//
// Reading follows the text rules of platform/profile_text.h: section and key names compare
// case-insensitively, only the first section of a name and the first key of a name in it
// count, names and values are trimmed, a value in matching quotes loses them, ';' starts a
// comment line, a header without its ']' names the rest of the line, and a byte-order mark
// before the first line is no part of its meaning (it stays in the line's bytes).
// Changes touch only the lines they must: every other line keeps its bytes and its line
// end; new lines take the document's own line end ("\n" when it has none).
#include <cstddef>
#include <functional>
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

  // Every non-blank line of `section` as it stands, comment lines included, trimmed.
  std::vector<std::string> SectionLines(std::string_view section) const;

  // Names of all sections in document order, each name once as first spelt.
  std::vector<std::string> SectionNames() const;

  // A key line as reads see it; the views point into the document.
  struct KeyLine {
    std::string_view section;
    std::string_view key;
    std::string_view value;
    std::size_t line = 0;  // 1-based
  };
  // Calls `visit` for every key line of the first section of each name, in document order.
  // A repeated key is visited again: the first visit is the one reads take.
  void ForEachKey(const std::function<void(const KeyLine&)>& visit) const;

  // Gives `key` the value text `value` (written as it stands: quote it yourself when needed).
  // An existing key keeps its spelling and the blanks around its '='; a new key goes after
  // the last non-blank line of the section, preceded by `comment` lines when given. A
  // missing section is appended at the end of the document first (see AppendSection).
  void Set(std::string_view section, std::string_view key, std::string_view value,
           const std::vector<std::string>& comment = {});

  // Gives `key` the value text `value` the way the profile functions write: an existing
  // key's line becomes name=value (the name spelt as in the document); a new key goes after
  // the last non-blank line of the section; a missing section is appended right after the
  // last line, with no blank line before it.
  void SetPlain(std::string_view section, std::string_view key, std::string_view value);

  // Appends "[section]" after a blank line, preceded by `comment` lines.
  void AppendSection(std::string_view section, const std::vector<std::string>& comment);

  // Appends lines as they stand (for a file's opening comment).
  void AppendLines(const std::vector<std::string>& lines);

  // Removes every line of `key` in the first section of that name: a second copy would
  // otherwise become visible. Returns the number of lines removed.
  std::size_t RemoveKey(std::string_view section, std::string_view key);

  // Removes every section of that name with all its lines: a later one would otherwise take
  // its place. Returns the number of sections removed.
  std::size_t RemoveSection(std::string_view section);

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

  std::vector<Span> FindSections(std::string_view section, bool first_only) const;
  std::optional<Span> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Span& span, std::string_view key) const;
  // Index of the line of `key` in the first section of that name.
  std::optional<std::size_t> FindKey(std::string_view section, std::string_view key) const;
  // The line of `key` in `section`; when absent, adds "key=value" after `comment` lines
  // (and the section when missing, set apart by a blank line when `apart`) and gives nullopt.
  std::optional<std::size_t> FindOrAddKey(std::string_view section, std::string_view key,
                                          std::string_view value,
                                          const std::vector<std::string>& comment, bool apart);
  void Insert(std::size_t at, std::string text);

  std::vector<Line> lines_;
  std::string line_end_ = "\n";  // line end of new lines: the file's own, else "\n"
};

}  // namespace tester
