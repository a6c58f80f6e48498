#pragma once
// Profile (INI) files with the semantics the programs rely on:
//  - section and key names compare case-insensitively; the first occurrence wins;
//  - names and values are trimmed of blanks; a value in matching quotes loses them;
//  - lines starting with ';' are comments;
//  - every call reads the file anew (nothing is cached), a missing file reads as empty;
//  - writes go to a temporary file renamed into place, so a crash never leaves half a file.
// The lines of a file are held by the one INI model of platform/ini_document.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tester::profile {

// One reading of a whole file for many lookups: read and indexed once, so a load of many
// keys costs one pass over the file however long its lines are. An index over the keys of
// the file's document, with the same rules as the reads below; a missing or unreadable
// file reads as empty.
class Snapshot {
public:
  static Snapshot Load(const std::string& file);

  struct Entry {
    bool found = false;
    std::string text;       // the value as ReadRaw gives it
    std::size_t line = 0;   // 1-based line number in the file
  };
  Entry Find(std::string_view section, std::string_view key) const;

private:
  // First section of each name (lower-cased) -> first key of each name (lower-cased).
  std::unordered_map<std::string, std::unordered_map<std::string, Entry>> sections_;
};

// Integer read: the value's leading decimal digits (after blanks and an optional sign);
// a value not starting with digits gives 0; a missing key, section or file, or an empty
// value, gives `def`. Values beyond the 32-bit range saturate.
int32_t ReadInt(const std::string& file, std::string_view section, std::string_view key,
                int32_t def);

// How a value text reads as an integer (the rule of ReadInt), with what the rule hid.
struct IntParse {
  int64_t value = 0;        // leading-digits value, saturated to the 32-bit range
  bool clean = true;        // the whole text was one decimal number
  bool saturated = false;   // the digits exceeded the 32-bit range
  bool digits = false;      // the text starts (after blanks and a sign) with a digit
  std::size_t end = 0;      // offset in the text just past the last digit read
};
IntParse ParseInt(std::string_view text);

// Raw value of a key, or nullopt-like: `found` false when key/section/file is missing.
struct RawValue {
  bool found = false;
  std::string text;
};
RawValue ReadRaw(const std::string& file, std::string_view section, std::string_view key);

// String read: the value, or `def` when missing; at most `max_chars` characters.
std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view def, std::size_t max_chars);

// Every line of a section as it stands in the file (comment lines included, blank lines
// dropped, each trimmed of surrounding blanks and line ends).
std::vector<std::string> ReadSection(const std::string& file, std::string_view section);

// Names of all sections in file order.
std::vector<std::string> SectionNames(const std::string& file);

// Writes key = value, creating the section and the file when needed. False when the
// file cannot be written (the old file stays as it was).
bool WriteString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value);
// Removes a key. True when the file is as asked afterwards.
bool DeleteKey(const std::string& file, std::string_view section, std::string_view key);
// Removes a section with all its lines. True when the file is as asked afterwards.
bool ClearSection(const std::string& file, std::string_view section);

}  // namespace tester::profile
