#pragma once
// The operator lock (clsPassword): one password for the whole jig, kept as a salted slow
// hash in password.ini of the application folder (components/password_file.h).
//
// State: every program starts locked. Unlock() asks for the password through the masked
// prompt; the right one opens the lock, a wrong one shows message 105 ("Password
// incorrect!"). Lock() closes it again; the password stays what it was. ChangePassword()
// sets a new password (the lock must be open, or be opened first) and shows message 106
// ("Save Password failed.") followed by the reason when it cannot be stored. The listener
// (the host window) hears LockState on every change of the state, never on a call that
// changes nothing.
//
// A fresh application folder has no password file: the lock stays locked and Unlock() says
// how to set one (an administrator runs "ardentis password", which reads the new password
// from stdin, components/cli/password_cli.h). A window cannot set the first password, so
// whoever may set it is whoever may write the application folder. A damaged password file
// (unreadable, wrong fields) is treated the same way: the lock never falls open.
//
// VTIAlwaysAllowed comes from [Operator] VTIAlwaysAllowed of global.ini in the application
// folder (0 when absent), read on every call so that the editor's change holds at once.
//
//   PasswordLock lock(program_folder, dialogs, prompt);  // dialogs: the window's QtDialogs,
//   lock.SetListener(&window);                            // prompt: PasswordDialog
//   if (lock.Unlock()) ...;  lock.Lock();  lock.ChangePassword();
#include <cstdint>
#include <string>

#include "common/password_lock.h"
#include "components/password_hash.h"
#include "components/password_prompt.h"
#include "platform/dialogs.h"

namespace tester {

// Our own operator texts beside the message table's 105 and 106.
inline constexpr const char* kPasswordTitle = "Password";
inline constexpr const char* kAskPasswordText = "Password:";
inline constexpr const char* kAskNewPasswordText = "New password:";
inline constexpr const char* kAskRepeatPasswordText = "Repeat the new password:";
inline constexpr const char* kPasswordsDifferText = "The two passwords differ.";
inline constexpr const char* kNoPasswordText =
    "No password is set. An administrator sets one with \"ardentis password\".";

class PasswordLock final : public clsPassword {
public:
  // `iterations`: rounds for a new password (tests use fewer; stored records carry their own).
  PasswordLock(std::string program_folder, OperatorDialogs& dialogs, PasswordPrompt& prompt,
               int32_t iterations = kPasswordIterations);

  void SetListener(LockStateListener* listener) override { listener_ = listener; }
  bool IsLocked() override { return locked_; }
  void Lock() override;
  bool VTIAlwaysAllowed() override;

  // Asks for the password; true when the lock is open afterwards.
  bool Unlock();
  // Asks for a new password twice and stores it; true when stored. A locked lock asks for
  // the present password first (and is then open).
  bool ChangePassword();

private:
  void SetLocked(bool locked);

  std::string program_folder_;
  OperatorDialogs& dialogs_;
  PasswordPrompt& prompt_;
  int32_t iterations_;
  LockStateListener* listener_ = nullptr;
  bool locked_ = true;
};

}  // namespace tester
