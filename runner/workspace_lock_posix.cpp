#include "runner/workspace_lock_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace vok {

bool PosixWorkspaceLock::TryLock(const std::filesystem::path& directory) {
  Unlock();
  const std::filesystem::path lockFile = directory / ".vokruzeru.lock";
  fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return true;
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
  const bool heldElsewhere = errno == EWOULDBLOCK;
  Unlock();
  return !heldElsewhere;
}

void PosixWorkspaceLock::Unlock() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace vok
