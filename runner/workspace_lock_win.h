#pragma once

#include <windows.h>

#include "runner/workspace_lock.h"

namespace vok {

// LockFileEx() on a lock file in the directory.
class WinWorkspaceLock : public WorkspaceLock {
 public:
  WinWorkspaceLock() = default;
  WinWorkspaceLock(const WinWorkspaceLock&) = delete;
  WinWorkspaceLock& operator=(const WinWorkspaceLock&) = delete;
  ~WinWorkspaceLock() override { Unlock(); }
  bool TryLock(const std::filesystem::path& directory) override;
  void Unlock() override;

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace vok
