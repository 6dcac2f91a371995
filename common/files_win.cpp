#include <windows.h>

#include "common/files.h"

namespace vok::files {

namespace fs = std::filesystem;

namespace {

std::error_code LastError() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

// `tag`: the reparse point's, where there is one. Only those that stand for another name
// (symbolic links, junctions) are links; others (such as a cloud file's) are what they hold.
FileKind KindOf(DWORD attributes, DWORD tag) {
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kNothing;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(tag)) {
    return FileKind::kLink;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kFolder;
  return (attributes & FILE_ATTRIBUTE_DEVICE) ? FileKind::kOther : FileKind::kFile;
}

// The file at `path` opened for looking at it only; the link itself with Links::kLeave.
HANDLE OpenToLook(const fs::path& path, Links links) {
  return CreateFileW(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (links == Links::kLeave ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
      nullptr);
}

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

FileKind KindAt(const fs::path& path, Links links) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kNothing;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return KindOf(attributes, 0);
  // A reparse point: its tag tells whether it is a link, and what a link leads to is what
  // opening it, following it, gives.
  const HANDLE file = OpenToLook(path, links);
  if (file == INVALID_HANDLE_VALUE) return FileKind::kNothing;
  FILE_ATTRIBUTE_TAG_INFO info{};
  const bool known = GetFileInformationByHandleEx(file, FileAttributeTagInfo, &info, sizeof info);
  CloseHandle(file);
  if (!known) return FileKind::kNothing;
  return KindOf(info.FileAttributes, info.ReparseTag);
}

std::vector<FolderEntry> List(const fs::path& folder, std::error_code& error, Sizes) {
  error.clear();
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    error = LastError();
    return entries;
  }
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const FileKind kind = KindOf(found.dwFileAttributes, found.dwReserved0);
    entries.push_back({fs::path(name), kind,
                       kind == FileKind::kFile
                           ? (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow
                           : 0});
  } while (FindNextFileW(search, &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) error = LastError();
  FindClose(search);
  return entries;
}

bool MakeFolder(const fs::path& path, std::error_code& error) {
  error.clear();
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  const std::error_code failed = LastError();
  if (failed.value() != ERROR_ALREADY_EXISTS || KindAt(path, Links::kFollow) != FileKind::kFolder) {
    error = failed;
  }
  return false;
}

void MakeFolders(const fs::path& path, std::error_code& error) {
  error.clear();
  if (path.empty() || KindAt(path, Links::kFollow) == FileKind::kFolder) return;
  const fs::path parent = path.parent_path();
  if (parent != path && path.has_relative_path()) {
    MakeFolders(parent, error);
    if (error) return;
  }
  MakeFolder(path, error);
}

void Remove(const fs::path& path, std::error_code& error) {
  error.clear();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!Missing(GetLastError())) error = LastError();
    return;
  }
  // A link to a folder is a folder of its own, removed as one; its target is left alone.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (!RemoveDirectoryW(path.c_str())) error = LastError();
    return;
  }
  if (DeleteFileW(path.c_str())) return;
  // A read-only file (as an archive may give it) is removed too.
  if (GetLastError() == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) &&
      DeleteFileW(path.c_str())) {
    return;
  }
  error = LastError();
}

void RemoveAll(const fs::path& path, std::error_code& error) {
  error.clear();
  if (KindAt(path) == FileKind::kFolder) {
    std::vector<FolderEntry> entries = List(path, error);
    for (const FolderEntry& entry : entries) {
      std::error_code failed;
      RemoveAll(path / entry.name, failed);
      if (failed && !error) error = failed;
    }
    if (error) return;
  }
  Remove(path, error);
}

void Rename(const fs::path& from, const fs::path& to, std::error_code& error) {
  error.clear();
  if (!MoveFileExW(from.c_str(), to.c_str(), 0)) error = LastError();
}

bool SameFile(const fs::path& a, const fs::path& b) {
  BY_HANDLE_FILE_INFORMATION info[2]{};
  const fs::path* paths[] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    const HANDLE file = OpenToLook(*paths[i], Links::kFollow);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &info[i]);
    CloseHandle(file);
    if (!known) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

fs::path Absolute(const fs::path& path, std::error_code& error) {
  error.clear();
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  const DWORD length = size == 0 ? 0 : GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) {
    error = LastError();
    return {};
  }
  full.resize(length);
  return fs::path(std::move(full));
}

}  // namespace vok::files
