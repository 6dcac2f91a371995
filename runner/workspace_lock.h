#pragma once

#include <filesystem>

namespace vok {

// Keeps two copies of the program from using the same scripts and listing file at once. The
// platform's lock goes away with the process that held it, so a crash leaves none behind.
class WorkspaceLock {
 public:
  virtual ~WorkspaceLock() = default;
  // Takes the lock of `directory` without waiting; false while another process holds it. A
  // lock that cannot be made at all (a read-only folder) counts as taken: the run then fails
  // on its own, with its own message. The lock file is never opened through a link: a link or
  // special file of its name gives way to a fresh file, and a folder (or, on Windows, a link)
  // is refused with an OperationError that says so.
  virtual bool TryLock(const std::filesystem::path& directory) = 0;
  virtual void Unlock() = 0;
};

}  // namespace vok
