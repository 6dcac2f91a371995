#pragma once

#include <sys/types.h>

#include "runner/own_files.h"

namespace vok {

// Writes `text` into a new file beside `path`, created afresh (O_CREAT | O_EXCL | O_NOFOLLOW)
// with `mode` less the umask, and renames it over `path`. Throws std::system_error: a folder of
// that name gives std::errc::is_a_directory.
FileId PutFreshFile(const std::filesystem::path& path, std::string_view text, mode_t mode);

// The program's own files on POSIX: written by PutFreshFile, opened with O_NOFOLLOW and checked
// by device and inode.
class PosixOwnFiles : public OwnFiles {
 public:
  FileId Put(const std::filesystem::path& path, std::string_view text, bool executable) override;
  OpenedFile OpenSame(const std::filesystem::path& path, FileId id) override;
};

}  // namespace vok
