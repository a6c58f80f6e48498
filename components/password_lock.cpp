#include "components/password_lock.h"

#include <optional>
#include <utility>

#include "common/messages.h"
#include "common/tester_config.h"
#include "components/global_value.h"
#include "components/password_file.h"

namespace tester {

PasswordLock::PasswordLock(std::string program_folder, OperatorDialogs& dialogs,
                           PasswordPrompt& prompt, int32_t iterations)
    : program_folder_(std::move(program_folder)),
      dialogs_(dialogs),
      prompt_(prompt),
      iterations_(iterations) {}

void PasswordLock::SetLocked(bool locked) {
  if (locked == locked_) return;
  locked_ = locked;
  if (listener_ != nullptr) listener_->LockState(locked_);
}

void PasswordLock::Lock() { SetLocked(true); }

bool PasswordLock::VTIAlwaysAllowed() {
  return IsFlagOn(static_cast<int16_t>(GlobalNumber(program_folder_, "VTIAlwaysAllowed")));
}

bool PasswordLock::Unlock() {
  if (!locked_) return true;
  const PasswordFileState file = ReadPasswordFile(PasswordFilePath(program_folder_));
  if (file.kind != PasswordFileState::Kind::kSet) {
    dialogs_.ShowMessage(file.kind == PasswordFileState::Kind::kNone ? kNoPasswordText
                                                                     : file.problem);
    return false;
  }
  const std::optional<std::string> typed = prompt_.AskPassword(kAskPasswordText, kPasswordTitle);
  if (!typed) return false;
  if (!PasswordMatches(file.hash, *typed)) {
    dialogs_.ShowMessage(LoadMessage(kMsgPasswordIncorrect));
    return false;
  }
  SetLocked(false);
  return true;
}

bool PasswordLock::ChangePassword() {
  if (!Unlock()) return false;
  const std::optional<std::string> first =
      prompt_.AskPassword(kAskNewPasswordText, kPasswordTitle);
  if (!first) return false;
  const std::optional<std::string> second =
      prompt_.AskPassword(kAskRepeatPasswordText, kPasswordTitle);
  if (!second) return false;
  if (*first != *second) {
    dialogs_.ShowMessage(kPasswordsDifferText);
    return false;
  }
  const std::string error =
      SavePassword(PasswordFilePath(program_folder_), *first, iterations_);
  if (!error.empty()) {
    dialogs_.ShowMessage(LoadMessage(kMsgSavePasswordFailed));
    dialogs_.ShowMessage(error);
    return false;
  }
  return true;
}

}  // namespace tester
