#pragma once
// Masked entry of a password: the lock asks through this, so that the windows show a box
// whose text is hidden (components/ui/password_dialog.h) and tests answer from a script.
// Nothing the operator types is kept beyond the call.
#include <optional>
#include <string>

namespace tester {

class PasswordPrompt {
public:
  virtual ~PasswordPrompt() = default;
  // Asks for a password with `prompt` under `title`; nullopt when the operator cancels.
  virtual std::optional<std::string> AskPassword(const std::string& prompt,
                                                 const std::string& title) = 0;
};

}  // namespace tester
