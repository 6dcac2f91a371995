#pragma once

#include "runner/workspace_lock.h"

namespace vok {

// flock() on a lock file in the directory.
class PosixWorkspaceLock : public WorkspaceLock {
 public:
  PosixWorkspaceLock() = default;
  PosixWorkspaceLock(const PosixWorkspaceLock&) = delete;
  PosixWorkspaceLock& operator=(const PosixWorkspaceLock&) = delete;
  ~PosixWorkspaceLock() override { Unlock(); }
  bool TryLock(const std::filesystem::path& directory) override;
  void Unlock() override;

 private:
  int fd_ = -1;
};

}  // namespace vok
