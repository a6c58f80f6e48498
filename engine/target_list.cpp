#include "engine/target_list.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/profile_text.h"

namespace tester {
namespace {

// Blanks around fields; the line end is already gone.
constexpr std::string_view kFieldBlanks = " \t";

struct TargetRecord {
  std::string description;
  std::string key;
};

void SkipBlanks(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && kFieldBlanks.find(line[pos]) != std::string_view::npos) ++pos;
}

// One field from `pos` on; `pos` ends on the comma after it or at the end of the line.
// Nothing but blanks may follow a closing quote; an unclosed quote is unreadable.
std::optional<std::string> ReadField(std::string_view line, std::size_t& pos) {
  SkipBlanks(line, pos);
  if (pos < line.size() && line[pos] == '"') {
    const std::size_t close = line.find('"', pos + 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string field(line.substr(pos + 1, close - pos - 1));
    pos = close + 1;
    SkipBlanks(line, pos);
    if (pos < line.size() && line[pos] != ',') return std::nullopt;
    return field;
  }
  const std::size_t end = std::min(line.find(',', pos), line.size());
  std::string_view field = line.substr(pos, end - pos);
  const std::size_t last = field.find_last_not_of(kFieldBlanks);
  field = last == std::string_view::npos ? std::string_view{} : field.substr(0, last + 1);
  pos = end;
  return std::string(field);
}

std::optional<TargetRecord> ReadRecord(std::string_view line) {
  std::size_t pos = 0;
  auto description = ReadField(line, pos);
  if (!description || pos >= line.size()) return std::nullopt;  // no second field
  ++pos;  // the comma
  auto key = ReadField(line, pos);
  if (!key || pos < line.size() || key->empty()) return std::nullopt;
  return TargetRecord{std::move(*description), std::move(*key)};
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(kFieldBlanks) == std::string_view::npos;
}

}  // namespace

bool TargetList::Load(const std::string& program_folder) {
  lines_.clear();
  keys_.clear();
  load_failed_ = false;
  selected_ = kNoLine;
  chosen_ = kNoLine;
  cancelled_ = true;
  load_error_.clear();

  // Read like every other file of the program folder: a pipe or a device (a Targets file
  // that is a FIFO, or a link to /dev/zero) is refused at once instead of blocking the
  // station or filling its memory.
  std::optional<std::string> whole =
      ReadWholeFile(NativePath(JoinProgramPath(program_folder, kTargetsFileName)), &load_error_);
  if (!whole) {
    Fail();
    return false;
  }
  std::string text = std::move(*whole);
  if (text.starts_with(profile_text::kUtf8Bom)) text.erase(0, profile_text::kUtf8Bom.size());

  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (IsBlank(line)) continue;
    const auto record = ReadRecord(line);
    if (!record || keys_.size() >= kMaxTargets) {
      Fail();
      return false;
    }
    lines_.push_back(record->description);
    keys_.push_back(record->key);
  }
  // An empty list has no first line to select.
  if (lines_.empty()) {
    Fail();
    return false;
  }
  selected_ = 0;
  return true;
}

void TargetList::Fail() {
  lines_.push_back(kTargetsLoadFailedLine);
  load_failed_ = true;
  selected_ = kNoLine;
}

bool TargetList::IsSupportedTarget(std::string_view version) const {
  for (const std::string& key : keys_) {
    if (profile_text::SameName(key, version)) return true;
  }
  return false;
}

std::string TargetList::TargetNameDesc(std::string_view version) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (profile_text::SameName(keys_[i], version)) return lines_[i];
  }
  return {};
}

void TargetList::SetCurrentTarget(std::string_view version) {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (profile_text::SameName(keys_[i], version)) selected_ = static_cast<int>(i);
  }
  if (selected_ == kNoLine && !lines_.empty()) selected_ = 0;
}

void TargetList::Select(int index) {
  if (index >= kNoLine && index < static_cast<int>(lines_.size())) selected_ = index;
}

void TargetList::Accept() {
  cancelled_ = false;
  chosen_ = selected_;
}

std::string TargetList::ChosenKey() const {
  if (cancelled_ || chosen_ < 0 || chosen_ >= static_cast<int>(keys_.size())) return {};
  return keys_[static_cast<std::size_t>(chosen_)];
}

}  // namespace tester
