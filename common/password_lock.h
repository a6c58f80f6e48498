#pragma once
// The operator lock. Password entry and storage, and their messages, belong to the lock;
// the programs only ask its state, lock it again, and follow its changes.
namespace tester {

// Implemented by every window that follows the lock (the engine's, the wizard's, the
// controller's and the reference-value window).
class LockStateListener {
public:
  virtual ~LockStateListener() = default;
  // Called by the lock whenever its state changes.
  virtual void LockState(bool bCurrentlyLocked) = 0;
};

class clsPassword {
public:
  virtual ~clsPassword() = default;

  // The window to tell about lock changes, or nullptr. Not owned.
  virtual void SetListener(LockStateListener* listener) = 0;

  virtual bool IsLocked() = 0;
  // Locks again with the previous password.
  virtual void Lock() = 0;
  // Reference-value entry stays available while locked.
  virtual bool VTIAlwaysAllowed() = 0;
};

}  // namespace tester
