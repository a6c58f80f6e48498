#pragma once
// The one exception type of the system: a call into an outside component (settings object,
// adapter identification, result log, serial counter, ...) that could not be carried out.
// Components throw it where their operation has no status or error text to report through;
// the caller catches it at the call site and turns it into its own status or message, so it
// never crosses a procedure boundary.
#include <stdexcept>
#include <string>

namespace tester {

class ComponentError : public std::runtime_error {
public:
  // `description` is the text the operator sees, e.g. "Cannot read settings file X".
  explicit ComponentError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace tester
