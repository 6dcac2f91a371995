#include "runner/workspace_lock_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runner/own_files_posix.h"
#include "runner/script_runner.h"
#include "runner/workspace.h"

namespace vok {

bool PosixWorkspaceLock::TryLock(const std::filesystem::path& directory) {
  Unlock();
  const std::filesystem::path lockFile = directory / kLockName;
  // Another copy may put a fresh lock file in place of something else at the same moment: only
  // a lock on the file that has the name counts.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const int fd = ::open(lockFile.c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    const int error = fd < 0 ? errno : 0;
    struct stat opened {};
    if (fd >= 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldElsewhere;
      }
      struct stat named {};
      if (::lstat(lockFile.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
          named.st_ino == opened.st_ino) {
        fd_ = fd;
        return true;
      }
      ::close(fd);
      continue;
    }
    if (fd >= 0) ::close(fd);
    // A link (ELOOP), a socket (ENXIO) or a pipe of that name gives way to a fresh lock file; a
    // folder (EISDIR) is refused. A lock that cannot be made at all counts as taken.
    if (fd < 0 && error != ELOOP && error != ENXIO && error != EISDIR) return true;
    try {
      PutFreshFile(lockFile, "", 0644);
    } catch (const std::system_error& e) {
      throw OperationError("Could not take the lock file " + Utf8(lockFile) + ": " +
                           WhyNotPut(e.code()) + ".");
    }
  }
  return false;  // it keeps changing under our hands: wait, as for another copy
}

void PosixWorkspaceLock::Unlock() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace vok
