#include "runner/workspace_lock_win.h"

#include "runner/own_files_win.h"
#include "runner/script_runner.h"
#include "runner/workspace.h"

namespace vok {

bool WinWorkspaceLock::TryLock(const std::filesystem::path& directory) {
  Unlock();
  const std::filesystem::path lockFile = directory / PathFromUtf8(kLockName);
  // A link of that name is opened itself, never followed, and refused; so is a folder.
  file_ = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (const std::error_code inTheWay = InTheWay(lockFile)) {
    Unlock();
    throw OperationError("Could not take the lock file " + Utf8(lockFile) + ": " +
                         WhyNotPut(inTheWay) + ".");
  }
  if (file_ == INVALID_HANDLE_VALUE) return true;
  OVERLAPPED whole{};
  if (LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
    return true;
  }
  const bool heldElsewhere = GetLastError() == ERROR_LOCK_VIOLATION;
  Unlock();
  return !heldElsewhere;
}

void WinWorkspaceLock::Unlock() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);  // closing releases the lock
  file_ = INVALID_HANDLE_VALUE;
}

}  // namespace vok
