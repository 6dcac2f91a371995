#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace vok {

// Which file a name stood for: the file system's own number for it, which a file keeps when it
// is renamed and a new file under the old name does not get.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

// An open file, read from its start. (Not a std::streambuf: on Windows a stream brings all of
// the C++ library's locale support into the program.)
class FileReader {
 public:
  virtual ~FileReader() = default;
  // Up to `size` bytes into `into`; 0 at the end. Throws std::system_error when reading fails.
  virtual std::size_t ReadSome(char* into, std::size_t size) = 0;
};

// One of the program's own files, opened for reading.
struct OpenedFile {
  enum class Found { Same, Nothing, Another };
  Found found = Found::Nothing;      // the file asked for, nothing of that name, or another thing
  std::unique_ptr<FileReader> text;  // with Same: the file, read from its start
  std::uintmax_t size = 0;           // with Same: its size when it was opened
};

// The program's own files in its scripts folder: the scripts, the listing and the lock. They are
// made and opened so that a link, a folder or a special file found under their names is never
// followed, written through, read or run.
class OwnFiles {
 public:
  virtual ~OwnFiles() = default;
  // Writes `text` into a fresh file of a new name and puts it in the place of `path`, which
  // then names it and nothing else: a file there is replaced, and so is a link (not what it
  // points to), a pipe or a device; a folder is refused with std::errc::is_a_directory, a
  // link on Windows with std::errc::too_many_symbolic_link_levels. `executable`: it may be run
  // (as far as the umask allows). Throws std::system_error when it cannot; nothing half-written
  // is left then.
  virtual FileId Put(const std::filesystem::path& path, std::string_view text, bool executable) = 0;
  // Opens `path` for reading, without following a link, when it still names the file `id`.
  // Throws std::system_error when there is something of that name that cannot be opened.
  virtual OpenedFile OpenSame(const std::filesystem::path& path, FileId id) = 0;
};

// Where the scripts folder's own files are written before they take their names; whatever a
// dead run left under such a name is removed at the next start.
inline constexpr std::string_view kNewFilePrefix = ".vokruzeru-new-";

// Why a file could not be put in place, for the user's message.
std::string WhyNotPut(const std::error_code& error);

}  // namespace vok
