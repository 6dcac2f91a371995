#include "runner/own_files_win.h"

#include <random>

#include "common/text.h"

namespace vok {

namespace {

// The Windows error as the nearest portable one, whose text the C library has.
[[noreturn]] void Fail(DWORD error, const std::filesystem::path& path) {
  std::errc code = std::errc::io_error;
  switch (error) {
    case ERROR_ACCESS_DENIED:
      code = std::errc::permission_denied;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      code = std::errc::no_space_on_device;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      code = std::errc::no_such_file_or_directory;
      break;
    case ERROR_WRITE_PROTECT:
      code = std::errc::read_only_file_system;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      code = std::errc::device_or_resource_busy;
      break;
    default:
      break;
  }
  throw std::system_error(std::make_error_code(code), Utf8(path));
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

class HandleReader : public FileReader {
 public:
  explicit HandleReader(HANDLE file) : file_(file) {}
  ~HandleReader() override { CloseHandle(file_); }
  HandleReader(const HandleReader&) = delete;
  HandleReader& operator=(const HandleReader&) = delete;

  std::size_t ReadSome(char* into, std::size_t size) override {
    DWORD got = 0;
    if (!ReadFile(file_, into, static_cast<DWORD>(size), &got, nullptr)) {
      throw std::system_error(std::make_error_code(std::errc::io_error));
    }
    return got;
  }

 private:
  HANDLE file_;
};

}  // namespace

std::error_code InTheWay(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return std::make_error_code(std::errc::is_a_directory);
  return {};
}

FileId WinOwnFiles::Put(const std::filesystem::path& path, std::string_view text, bool) {
  if (const std::error_code inTheWay = InTheWay(path)) throw std::system_error(inTheWay);
  std::random_device random;
  std::filesystem::path fresh;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
    fresh = path.parent_path() / PathFromUtf8(std::string(kNewFilePrefix) +
                                              std::to_string(random()) + std::to_string(random()));
    file = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    const DWORD error = GetLastError();
    if (file == INVALID_HANDLE_VALUE && (error != ERROR_FILE_EXISTS || attempt == 8)) {
      Fail(error, path);
    }
  }
  DWORD error = ERROR_SUCCESS;
  for (std::size_t done = 0; done < text.size() && error == ERROR_SUCCESS;) {
    DWORD written = 0;
    if (WriteFile(file, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                  nullptr)) {
      done += written;
    } else {
      error = GetLastError();
    }
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (error == ERROR_SUCCESS && !GetFileInformationByHandle(file, &info)) error = GetLastError();
  CloseHandle(file);
  // A link put at the name meanwhile is replaced itself: a rename never writes through one.
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) {
    DeleteFileW(fresh.c_str());
    Fail(error, path);
  }
  return IdOf(info);
}

OpenedFile WinOwnFiles::OpenSame(const std::filesystem::path& path, FileId id) {
  OpenedFile opened;
  const HANDLE file = CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return opened;
    Fail(error, path);
  }
  auto text = std::make_unique<HandleReader>(file);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) Fail(GetLastError(), path);
  const bool plainFile =
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
  if (!plainFile || IdOf(info) != id) {
    opened.found = OpenedFile::Found::Another;
    return opened;
  }
  opened.found = OpenedFile::Found::Same;
  opened.text = std::move(text);
  opened.size = (static_cast<std::uintmax_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return opened;
}

}  // namespace vok
