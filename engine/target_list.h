#pragma once
// The gauge devices a station supports, read from the "Targets" file in the program folder:
// one line per target with its description and its key, the device-version text that
// selects the target's Config.ini sections (for example "800.1.02"). The engine looks keys
// up without showing anything; the target chooser window and the image reader show the
// descriptions and let the operator pick one. Window-free: the windows are views of this.
//
// File format: two comma-separated fields per line, description then key. A field may
// stand in double quotes and then may hold commas; blanks around an unquoted field are
// dropped. Blank lines are skipped. A line that is not exactly two fields with a nonempty
// key is unreadable.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tester {

inline constexpr const char* kTargetsFileName = "Targets";
inline constexpr const char* kTargetListCaption = "Choose Target Device";
// The line shown when the list could not be read completely.
inline constexpr const char* kTargetsLoadFailedLine = "File not found!";
// Entries the key table holds.
inline constexpr std::size_t kMaxTargets = 101;

class TargetList {
public:
  static constexpr int kNoLine = -1;

  // Reads "Targets" in `program_folder` anew and sets the cancelled flag. On success the
  // first line is selected. Any failure (no file, an unreadable line, more than 101
  // targets, no target at all) keeps the targets read before it, adds the line
  // "File not found!" (which has no key) and leaves no line selected. True on success.
  bool Load(const std::string& program_folder);

  // Lines of the list in file order; keys of the targets in the same order (one fewer
  // than the lines after a failed load).
  const std::vector<std::string>& Lines() const { return lines_; }
  const std::vector<std::string>& Keys() const { return keys_; }
  bool LoadFailed() const { return load_failed_; }
  // Why the file could not be read ("cannot read <path>: not a regular file"); empty when
  // it was read, even if a line of it was unreadable.
  const std::string& LoadError() const { return load_error_; }

  // True when a key equals `version` without regard to letter case.
  bool IsSupportedTarget(std::string_view version) const;
  // Description of the first target whose key equals `version` (letter case ignored);
  // empty when none does.
  std::string TargetNameDesc(std::string_view version) const;
  // Selects every line whose key equals `version` in turn, so the last match stays
  // selected; when nothing is selected afterwards, the first line.
  void SetCurrentTarget(std::string_view version);

  // The operator's selection: a line index, or kNoLine. Out-of-range indexes are ignored.
  int Selected() const { return selected_; }
  void Select(int index);

  // The chooser is shown: cancelled until OK.
  void BeginChoice() { cancelled_ = true; }
  // OK (or a double click): the selected line becomes the choice.
  void Accept();
  // Cancel: the choice stays cancelled.
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
  // The key of the chosen line; empty after Cancel, when no line was selected at OK, or
  // when the chosen line has no key ("File not found!").
  std::string ChosenKey() const;

private:
  void Fail();

  std::vector<std::string> lines_;
  std::vector<std::string> keys_;
  bool load_failed_ = false;
  std::string load_error_;
  int selected_ = kNoLine;
  int chosen_ = kNoLine;
  bool cancelled_ = true;
};

}  // namespace tester
