#pragma once
// The few file operations the program does itself (its own files, the Unpack's staging folder,
// the Create's count), which the archive tool shares (the archive, the destination, the folder
// it packs). files_posix.cpp and files_win.cpp implement them; the Windows one on the system's
// own calls, so that neither program carries the standard library's file system operations
// and the iostreams that come with them.
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

namespace vok::files {

enum class FileKind { kNothing, kFolder, kFile, kLink, kOther };

enum class Links {
  kLeave,   // a link is told as a link (on Windows: a symbolic link or a junction)
  kFollow,  // a link is told as what it leads to; a broken one as nothing
};

// What is at `path`. What cannot be looked at is told as nothing.
FileKind KindAt(const std::filesystem::path& path, Links links = Links::kLeave);

struct FolderEntry {
  std::filesystem::path name;  // the name alone
  FileKind kind;               // the link itself where there is one
  std::uint64_t size;          // of a file, given with Sizes::kRead
};

enum class Sizes {
  kLeave,  // where the system does not list them, finding them out costs a call per file
  kRead,
};

// The entries of a folder, without "." and "..".
std::vector<FolderEntry> List(const std::filesystem::path& folder, std::error_code& error,
                              Sizes sizes = Sizes::kLeave);

// True when the folder was made; false, with no error, when a folder was there already.
bool MakeFolder(const std::filesystem::path& path, std::error_code& error);

// Makes the folder and those it is in, where they are missing.
void MakeFolders(const std::filesystem::path& path, std::error_code& error);

// Removes a file, a link (not what it leads to) or an empty folder. Nothing there is no error.
void Remove(const std::filesystem::path& path, std::error_code& error);

// Removes a folder with everything in it, links left unfollowed, or whatever else is there.
void RemoveAll(const std::filesystem::path& path, std::error_code& error);

// Renames within one file system. The program renames only to a name that is free: whether
// something of that name is replaced is left to the system (POSIX does, Windows does not).
void Rename(const std::filesystem::path& from, const std::filesystem::path& to,
            std::error_code& error);

std::filesystem::path Absolute(const std::filesystem::path& path, std::error_code& error);

// Whether both name the same file (following links). False where either cannot be looked at.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace vok::files
