#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/file_system.h"

namespace vokmaker {

namespace fs = std::filesystem;

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr std::uint64_t kWriteBackStep = 4 << 20;

// The temporary name that a stop signal removes: written only while those signals are
// blocked, so that the handler never sees half of it.
volatile sig_atomic_t pendingFolder = -1;
char pendingName[64];

extern "C" void RemovePendingAndStop(int signal) {
  if (pendingFolder >= 0) unlinkat(pendingFolder, pendingName, 0);
  // SA_RESETHAND put the default action back: the signal ends the tool as soon as this
  // handler returns, and whoever waits for the tool sees it ended by that signal.
  raise(signal);
}

class StopSignalsHeld {
 public:
  StopSignalsHeld() {
    sigset_t stop;
    sigemptyset(&stop);
    for (const int signal : kStopSignals) sigaddset(&stop, signal);
    pthread_sigmask(SIG_BLOCK, &stop, &previous_);
  }
  ~StopSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

void SetPending(int folder, const fs::path& name) {
  const std::string& text = name.native();
  std::memcpy(pendingName, text.c_str(), text.size() + 1);  // a temporary name is short
  pendingFolder = folder;
}

void ClearPending() { pendingFolder = -1; }

std::string Message(int error) { return std::generic_category().message(error); }

// What has `name` in the folder, when it is not a regular file.
Obstacle ObstacleAt(int folder, const fs::path& name) {
  struct stat status;
  if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENAMETOOLONG ? Obstacle::kNameTooLong : Obstacle::kNone;
  }
  if (S_ISLNK(status.st_mode)) return Obstacle::kLink;
  return S_ISREG(status.st_mode) ? Obstacle::kNone : Obstacle::kNotFile;
}

// Deep archives need a descriptor for every folder of a path.
bool RaiseOpenFileLimit() {
  rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return false;
  limit.rlim_cur = limit.rlim_max;
  return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

#ifdef O_PATH
constexpr int kChildFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#else
constexpr int kChildFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#endif

}  // namespace

Folder Folder::Open(const fs::path& path) {
  Folder folder;
  folder.path_ = path;
  folder.fd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder.fd_ < 0) {
    const int error = errno;
    if (error == ENOENT) throw ToolError("the folder " + Utf8(path) + " does not exist");
    if (error == ENOTDIR) throw ToolError(Utf8(path) + " is not a folder");
    throw ToolError("cannot open the folder " + Utf8(path) + ": " + Message(error));
  }
  return folder;
}

Folder::Folder(Folder&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

Folder::~Folder() {
  if (fd_ >= 0) close(fd_);
}

Obstacle Folder::OpenChild(const fs::path& name, Folder& child) const {
  bool created = false;
  bool raised = false;
  for (;;) {
    const int fd = openat(fd_, name.c_str(), kChildFlags);
    if (fd >= 0) {
      child = Folder();
      child.path_ = path_ / name;
      child.fd_ = fd;
      return Obstacle::kNone;
    }
    const int error = errno;
    switch (error) {
      case ENOENT:
        if (created) break;
        created = true;
        if (mkdirat(fd_, name.c_str(), 0777) == 0 || errno == EEXIST) continue;
        throw ToolError("cannot create the folder " + Utf8(path_ / name) + ": " + Message(errno));
      case ENOTDIR:
      case ELOOP:
        return ObstacleAt(fd_, name) == Obstacle::kLink ? Obstacle::kLink : Obstacle::kNotFolder;
      case ENAMETOOLONG:
        return Obstacle::kNameTooLong;
      case EMFILE:
        if (!raised && RaiseOpenFileLimit()) {
          raised = true;
          continue;
        }
        return Obstacle::kTooDeep;
      default:
        break;
    }
    throw ToolError("cannot open the folder " + Utf8(path_ / name) + ": " + Message(error));
  }
}

void Folder::RemoveStaleTemporaries() const {
  const int listed = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* names = listed >= 0 ? fdopendir(listed) : nullptr;
  if (names == nullptr) {
    if (listed >= 0) close(listed);
    return;  // nothing to tidy that can be seen
  }
  while (const dirent* entry = readdir(names)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const int file = openat(fd_, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) continue;
    struct stat opened {};
    struct stat named {};
    // Locked, the file is still the one of that name: no writer holds it, none can take it now.
    if (fstat(file, &opened) == 0 && S_ISREG(opened.st_mode) &&
        flock(file, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(fd_, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_ino == opened.st_ino && named.st_dev == opened.st_dev) {
      unlinkat(fd_, entry->d_name, 0);
    }
    close(file);
  }
  closedir(names);
}

void Folder::Sync() const {
  // Some file systems cannot sync a folder, and say so with EINVAL.
  if (fsync(fd_) != 0 && errno != EINVAL) {
    throw ToolError("cannot write the folder " + Utf8(path_) + " through: " + Message(errno));
  }
}

NewFile::NewFile(const Folder& folder, Purpose purpose) : folder_(folder), purpose_(purpose) {
#ifdef O_TMPFILE
  if (purpose_ == Purpose::kExtractedFile) {
    fd_ = openat(folder_.fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) return;
    // Not every file system has unnamed files: then the file gets a temporary name.
  }
#endif
  const StopSignalsHeld held;
  int error = EEXIST;
  for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
    const fs::path name = RandomTemporaryName();
    fd_ = openat(folder_.fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                 0666);
    if (fd_ >= 0) {
      temporaryName_ = name;
      SetPending(folder_.fd_, name);
      flock(fd_, LOCK_EX | LOCK_NB);  // in use: another tool's tidying leaves it alone
      return;
    }
    error = errno;
  }
  throw ToolError("cannot create a file in " + Utf8(folder_.path_) + ": " + Message(error));
}

NewFile::~NewFile() { Drop(); }

void NewFile::Drop() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporaryName_.empty()) {
    unlinkat(folder_.fd_, temporaryName_.c_str(), 0);
    ClearPending();
    temporaryName_.clear();
  }
}

bool NewFile::Write(std::span<const char> data) {
  while (!data.empty()) {
    const ssize_t written = write(fd_, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data = data.subspan(static_cast<std::size_t>(written));
    written_ += static_cast<std::uint64_t>(written);
  }
#ifdef SYNC_FILE_RANGE_WRITE
  // The archive starts on its way to the disk as it grows, so that the sync at the end has
  // little left to wait for.
  if (purpose_ == Purpose::kArchive && written_ - writtenBack_ >= kWriteBackStep) {
    sync_file_range(fd_, static_cast<off_t>(writtenBack_),
                    static_cast<off_t>(written_ - writtenBack_), SYNC_FILE_RANGE_WRITE);
    writtenBack_ = written_;
  }
#endif
  return true;
}

namespace {

// Gives an unnamed file the name `name` in `folder`; errno tells why not.
bool LinkUnnamed(int fd, int folder, const fs::path& name) {
#ifdef AT_EMPTY_PATH
  if (linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  // Before Linux 6.10 only a privileged process may link by descriptor.
  if (errno != ENOENT && errno != EPERM) return false;
#endif
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

Obstacle NewFile::Place(const fs::path& name) {
  const fs::path shown = folder_.path_ / name;
  if (temporaryName_.empty()) {
    if (LinkUnnamed(fd_, folder_.fd_, name)) {
      Drop();
      return Obstacle::kNone;
    }
    const int error = errno;
    if (error == ENAMETOOLONG) {
      Drop();
      return Obstacle::kNameTooLong;
    }
    if (error != EEXIST) throw ToolError("cannot create " + Utf8(shown) + ": " + Message(error));
  }
  // The name is taken: only a regular file may be replaced, and only by a rename, so that
  // nothing of that name is followed.
  if (const Obstacle obstacle = ObstacleAt(folder_.fd_, name); obstacle != Obstacle::kNone) {
    Drop();
    return obstacle;
  }
  if (temporaryName_.empty()) {
    const StopSignalsHeld held;
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
      const fs::path temporary = RandomTemporaryName();
      if (LinkUnnamed(fd_, folder_.fd_, temporary)) {
        temporaryName_ = temporary;
        SetPending(folder_.fd_, temporary);
        break;
      }
      error = errno;
    }
    if (temporaryName_.empty()) {
      throw ToolError("cannot create a file in " + Utf8(folder_.path_) + ": " + Message(error));
    }
  }
  if (renameat(folder_.fd_, temporaryName_.c_str(), folder_.fd_, name.c_str()) != 0) {
    const int error = errno;
    Drop();
    if (error == ENAMETOOLONG) return Obstacle::kNameTooLong;
    if (error == EISDIR) return Obstacle::kNotFile;  // a folder took the name meanwhile
    throw ToolError("cannot put " + Utf8(shown) + " in place: " + Message(error));
  }
  ClearPending();
  temporaryName_.clear();
  Drop();
  return Obstacle::kNone;
}

void NewFile::PlaceDurably(const fs::path& name) {
  const fs::path shown = folder_.path_ / name;
  if (fdatasync(fd_) != 0 || close(std::exchange(fd_, -1)) != 0) {
    const int error = errno;
    Drop();
    throw ToolError("cannot write " + Utf8(shown) + ": " + Message(error));
  }
  if (renameat(folder_.fd_, temporaryName_.c_str(), folder_.fd_, name.c_str()) != 0) {
    const int error = errno;
    Drop();
    throw ToolError("cannot put " + Utf8(shown) + " in place: " + Message(error));
  }
  ClearPending();
  temporaryName_.clear();
  folder_.Sync();
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const fs::path& path) {
  Close();
  do {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  return fd_ >= 0;
}

void InputFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::size_t InputFile::Read(std::span<char> out) {
  std::size_t got = 0;
  while (got < out.size()) {
    const ssize_t n = read(fd_, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return kReadFailed;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

std::optional<std::uint64_t> InputFile::Remaining() {
  struct stat status;
  if (fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const off_t at = lseek(fd_, 0, SEEK_CUR);
  if (at < 0 || status.st_size < at) return std::nullopt;
  return static_cast<std::uint64_t>(status.st_size - at);
}

bool InputFile::Skip(std::uint64_t n) {
  // Past the largest offset, the system refuses the seek (EOVERFLOW).
  return n <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
         lseek(fd_, static_cast<off_t>(n), SEEK_CUR) >= 0;
}

StandardStream::StandardStream(Which which)
    : fd_(which == Which::kOutput ? STDOUT_FILENO : STDERR_FILENO) {}

bool StandardStream::Write(std::span<const char> data) {
  while (!failed_ && !data.empty()) {
    const ssize_t written = write(fd_, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
    } else {
      data = data.subspan(static_cast<std::size_t>(written));
    }
  }
  return !failed_;
}

void RemovePendingFileOnStop() {
  for (const int signal : kStopSignals) {
    struct sigaction action;
    // A signal ignored by whoever started the tool (nohup) stays ignored.
    if (sigaction(signal, nullptr, &action) != 0 || action.sa_handler == SIG_IGN) continue;
    action = {};
    action.sa_handler = RemovePendingAndStop;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int other : kStopSignals) sigaddset(&action.sa_mask, other);
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace vokmaker
