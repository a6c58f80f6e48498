#pragma once
// Where real bridges keep the identifiers the setup wizard gives them. A bridge has no
// memory of ours, so the identifier lives in the application folder, in AdapterIds.ini:
//   [AdapterIds]
//   <USB serial> = <32 hexadecimal digits>
// keyed by the USB serial, which stays with the bridge whatever port or bus number it
// gets. Moving a bridge to another PC means copying its line (or naming it again).
// A bridge without a line reads as fresh from the factory (kFactoryAdapterId), so the
// wizard gives it one. Writes take an exclusive lock on AdapterIds.ini.lock for the
// read-modify-write and replace the file in one step, so two processes naming two bridges
// at once both keep their line.
#include <optional>
#include <string>

namespace tester {

inline constexpr const char* kAdapterIdRegistryFile = "AdapterIds.ini";

class I2cIdRegistry {
public:
  explicit I2cIdRegistry(std::string file) : file_(std::move(file)) {}

  // The identifier of bridge `serial`: its line, else the factory identifier. Nothing
  // when its line holds no well-formed identifier (an edited or damaged file: a guess
  // would give the station another's identity).
  std::optional<std::string> Read(const std::string& serial) const;
  // Stores `id` for `serial`; false when `id` is not 32 hexadecimal digits or the file
  // cannot be written.
  bool Write(const std::string& serial, const std::string& id) const;
  const std::string& File() const { return file_; }

private:
  std::string file_;
};

}  // namespace tester
