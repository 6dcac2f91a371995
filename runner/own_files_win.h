#pragma once

#include <windows.h>

#include "runner/own_files.h"

namespace vok {

// What stands at `path` that the program's own file must not replace or open: a folder
// (std::errc::is_a_directory) or a link, or any other reparse point
// (std::errc::too_many_symbolic_link_levels); no error for a file or for nothing.
std::error_code InTheWay(const std::filesystem::path& path);

// The program's own files on Windows: written under a new name with CREATE_NEW and moved over
// the old one with MoveFileEx, opened without following a reparse point and checked by volume and
// file index. A folder or a link of the name is refused.
class WinOwnFiles : public OwnFiles {
 public:
  FileId Put(const std::filesystem::path& path, std::string_view text, bool executable) override;
  OpenedFile OpenSame(const std::filesystem::path& path, FileId id) override;
};

}  // namespace vok
