#include "runner/own_files_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace vok {

namespace {

[[noreturn]] void Fail(int error, const std::filesystem::path& path) {
  throw std::system_error(error, std::generic_category(), path.string());
}

FileId IdOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

class FdReader : public FileReader {
 public:
  explicit FdReader(int fd) : fd_(fd) {}
  ~FdReader() override { ::close(fd_); }
  FdReader(const FdReader&) = delete;
  FdReader& operator=(const FdReader&) = delete;

  std::size_t ReadSome(char* into, std::size_t size) override {
    for (;;) {
      const ssize_t got = ::read(fd_, into, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) throw std::system_error(errno, std::generic_category());
    }
  }

 private:
  int fd_;
};

}  // namespace

FileId PutFreshFile(const std::filesystem::path& path, std::string_view text, mode_t mode) {
  std::random_device random;
  std::filesystem::path fresh;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "%08x%08x", random(), random());
    fresh = path.parent_path() / (std::string(kNewFilePrefix) + name);
    fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0 && (errno != EEXIST || attempt == 8)) Fail(errno, path);
  }
  int error = 0;
  for (std::size_t done = 0; done < text.size() && error == 0;) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written >= 0) {
      done += static_cast<std::size_t>(written);
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  struct stat status {};
  if (error == 0 && ::fstat(fd, &status) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  // rename() replaces a link itself, never what it points to, and refuses a folder.
  if (error == 0 && ::rename(fresh.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(fresh.c_str());
    Fail(error, path);
  }
  return IdOf(status);
}

FileId PosixOwnFiles::Put(const std::filesystem::path& path, std::string_view text,
                          bool executable) {
  return PutFreshFile(path, text, executable ? 0777 : 0666);
}

OpenedFile PosixOwnFiles::OpenSame(const std::filesystem::path& path, FileId id) {
  OpenedFile opened;
  // O_NONBLOCK: a pipe of that name does not hold up the opening.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return opened;
    if (errno != ELOOP && errno != ENXIO) Fail(errno, path);  // ENXIO: a socket
    opened.found = OpenedFile::Found::Another;
    return opened;
  }
  auto text = std::make_unique<FdReader>(fd);
  struct stat status {};
  if (::fstat(fd, &status) != 0) Fail(errno, path);
  if (!S_ISREG(status.st_mode) || IdOf(status) != id) {
    opened.found = OpenedFile::Found::Another;
    return opened;
  }
  opened.found = OpenedFile::Found::Same;
  opened.text = std::move(text);
  opened.size = static_cast<std::uintmax_t>(status.st_size);
  return opened;
}

}  // namespace vok
