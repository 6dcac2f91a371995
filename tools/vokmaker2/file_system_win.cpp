#include <windows.h>

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/file_system.h"

namespace vokmaker {

namespace fs = std::filesystem;

namespace {

// Folders are held open without FILE_SHARE_DELETE: no one can rename or remove an open
// folder, nor one above an open folder, so a path through open folders leads where they are.
// The access must include more than attributes, or the share mode would not count.
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The temporary file that a console event removes. The handler runs on a thread of its own:
// the lock keeps it from removing a file that is being renamed into place.
SRWLOCK pendingLock = SRWLOCK_INIT;
std::wstring pendingPath;

class PendingLock {
 public:
  PendingLock() { AcquireSRWLockExclusive(&pendingLock); }
  ~PendingLock() { ReleaseSRWLockExclusive(&pendingLock); }
  PendingLock(const PendingLock&) = delete;
  PendingLock& operator=(const PendingLock&) = delete;
};

BOOL WINAPI RemovePendingAndStop(DWORD) {
  AcquireSRWLockExclusive(&pendingLock);
  // The file is open with FILE_SHARE_DELETE: it goes when the process ends, just below.
  if (!pendingPath.empty()) DeleteFileW(pendingPath.c_str());
  // Ends the tool as an unhandled Ctrl+C would, without running exit handlers that could
  // wait for a lock the interrupted thread holds.
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

std::string Message(DWORD error) { return std::system_category().message(static_cast<int>(error)); }

HANDLE OpenFolderHandle(const fs::path& path, DWORD flags) {
  return CreateFileW(path.c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

DWORD AttributesOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(handle, &info) ? info.dwFileAttributes
                                                   : INVALID_FILE_ATTRIBUTES;
}

}  // namespace

Folder Folder::Open(const fs::path& path) {
  Folder folder;
  folder.path_ = path;
  HANDLE handle = OpenFolderHandle(path, 0);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      throw ToolError("the folder " + Utf8(path) + " does not exist");
    }
    throw ToolError("cannot open the folder " + Utf8(path) + ": " + Message(error));
  }
  folder.handle_ = handle;
  const DWORD attributes = AttributesOf(handle);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw ToolError(Utf8(path) + " is not a folder");
  }
  return folder;
}

Folder::Folder(Folder&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, nullptr)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (handle_) CloseHandle(handle_);
    path_ = std::move(other.path_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

Folder::~Folder() {
  if (handle_) CloseHandle(handle_);
}

Obstacle Folder::OpenChild(const fs::path& name, Folder& child) const {
  const fs::path path = path_ / name;
  for (bool created = false;;) {
    // The reparse point itself is opened, never what it leads to.
    HANDLE handle = OpenFolderHandle(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle != INVALID_HANDLE_VALUE) {
      const DWORD attributes = AttributesOf(handle);
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
          !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        if (attributes == INVALID_FILE_ATTRIBUTES) break;
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? Obstacle::kLink : Obstacle::kNotFolder;
      }
      child = Folder();
      child.path_ = path;
      child.handle_ = handle;
      return Obstacle::kNone;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILENAME_EXCED_RANGE) return Obstacle::kNameTooLong;
    if (error == ERROR_FILE_NOT_FOUND && !created) {
      created = true;
      if (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
        continue;
      }
      if (GetLastError() == ERROR_FILENAME_EXCED_RANGE) return Obstacle::kNameTooLong;
      throw ToolError("cannot create the folder " + Utf8(path) + ": " + Message(GetLastError()));
    }
    // A file that someone holds open without sharing still shows its attributes.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return Obstacle::kLink;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return Obstacle::kNotFolder;
    }
    throw ToolError("cannot open the folder " + Utf8(path) + ": " + Message(error));
  }
  throw ToolError("cannot open the folder " + Utf8(path) + ": " + Message(GetLastError()));
}

void Folder::RemoveStaleTemporaries() const {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((path_ / L".vok-*.part").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!IsTemporaryName(found.cFileName)) continue;
    // Opened without sharing, it is in no one's use; it goes when this handle closes.
    const HANDLE file =
        CreateFileW((path_ / found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      BY_HANDLE_FILE_INFORMATION information{};
      if (!GetFileInformationByHandle(file, &information) ||
          (information.dwFileAttributes &
           (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        FILE_DISPOSITION_INFO keep{FALSE};  // not a file of ours after all
        SetFileInformationByHandle(file, FileDispositionInfo, &keep, sizeof keep);
      }
      CloseHandle(file);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Renames into a folder are made durable by MOVEFILE_WRITE_THROUGH.
void Folder::Sync() const {}

NewFile::NewFile(const Folder& folder, Purpose purpose) : folder_(folder), purpose_(purpose) {
  const PendingLock lock;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 16 && error == ERROR_FILE_EXISTS; ++attempt) {
    const fs::path name = RandomTemporaryName();
    const fs::path path = folder_.path_ / name;
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      handle_ = handle;
      temporaryName_ = name;
      pendingPath = path.native();
      return;
    }
    error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) error = ERROR_FILE_EXISTS;
  }
  throw ToolError("cannot create a file in " + Utf8(folder_.path_) + ": " + Message(error));
}

NewFile::~NewFile() { Drop(); }

void NewFile::Drop() {
  if (handle_) CloseHandle(handle_);
  handle_ = nullptr;
  if (!temporaryName_.empty()) {
    const PendingLock lock;
    DeleteFileW((folder_.path_ / temporaryName_).c_str());
    pendingPath.clear();
    temporaryName_.clear();
  }
}

bool NewFile::Write(std::span<const char> data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle_, data.data(), chunk, &written, nullptr)) return false;
    data = data.subspan(written);
  }
  return true;
}

namespace {

// Renames `from` over `to`; the error, or 0.
DWORD Rename(const fs::path& from, const fs::path& to, DWORD flags) {
  const PendingLock lock;
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | flags)) {
    return GetLastError();
  }
  pendingPath.clear();
  return 0;
}

}  // namespace

Obstacle NewFile::Place(const fs::path& name) {
  const fs::path target = folder_.path_ / name;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      Drop();
      return Obstacle::kLink;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      Drop();
      return Obstacle::kNotFile;
    }
  }
  CloseHandle(std::exchange(handle_, nullptr));
  const DWORD error = Rename(folder_.path_ / temporaryName_, target, 0);
  if (error == 0) {
    temporaryName_.clear();
    return Obstacle::kNone;
  }
  Drop();
  if (error == ERROR_FILENAME_EXCED_RANGE) return Obstacle::kNameTooLong;
  throw ToolError("cannot put " + Utf8(target) + " in place: " + Message(error));
}

void NewFile::PlaceDurably(const fs::path& name) {
  const fs::path target = folder_.path_ / name;
  if (!FlushFileBuffers(handle_)) {
    const DWORD error = GetLastError();
    Drop();
    throw ToolError("cannot write " + Utf8(target) + ": " + Message(error));
  }
  CloseHandle(std::exchange(handle_, nullptr));
  const DWORD error = Rename(folder_.path_ / temporaryName_, target, MOVEFILE_WRITE_THROUGH);
  if (error != 0) {
    Drop();
    throw ToolError("cannot put " + Utf8(target) + " in place: " + Message(error));
  }
  temporaryName_.clear();
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const fs::path& path) {
  Close();
  // Others may read and write it meanwhile, as they could a file opened by the C runtime.
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = handle;
  return true;
}

void InputFile::Close() {
  if (handle_) CloseHandle(handle_);
  handle_ = nullptr;
}

std::size_t InputFile::Read(std::span<char> out) {
  std::size_t got = 0;
  while (got < out.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - got, 1u << 30));
    DWORD n = 0;
    if (!ReadFile(handle_, out.data() + got, chunk, &n, nullptr)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) break;
      return kReadFailed;
    }
    if (n == 0) break;
    got += n;
  }
  return got;
}

std::optional<std::uint64_t> InputFile::Remaining() {
  LARGE_INTEGER size{};
  LARGE_INTEGER at{};
  if (GetFileType(handle_) != FILE_TYPE_DISK || !GetFileSizeEx(handle_, &size) ||
      !SetFilePointerEx(handle_, LARGE_INTEGER{}, &at, FILE_CURRENT) ||
      size.QuadPart < at.QuadPart) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(size.QuadPart - at.QuadPart);
}

bool InputFile::Skip(std::uint64_t n) {
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(n);
  return n <= static_cast<std::uint64_t>(INT64_MAX) &&
         SetFilePointerEx(handle_, distance, nullptr, FILE_CURRENT);
}

StandardStream::StandardStream(Which which)
    : handle_(GetStdHandle(which == Which::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {
  if (handle_ == INVALID_HANDLE_VALUE || handle_ == nullptr) failed_ = true;  // none given
}

bool StandardStream::Write(std::span<const char> data) {
  while (!failed_ && !data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle_, data.data(), chunk, &written, nullptr) || written == 0) {
      failed_ = true;
    } else {
      data = data.subspan(written);
    }
  }
  return !failed_;
}

void RemovePendingFileOnStop() { SetConsoleCtrlHandler(RemovePendingAndStop, TRUE); }

}  // namespace vokmaker
