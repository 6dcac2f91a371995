#pragma once

// The tool's file operations on the system's own calls: reading a file and writing standard
// output, and the few operations that the standard library cannot do safely: names are looked
// up in an open folder, never through a path that someone could change meanwhile, and never
// through a symbolic link or other redirection. file_system_posix.cpp and file_system_win.cpp
// implement them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "tools/vokmaker2/byte_stream.h"

namespace vokmaker {

// Why a name in a folder could not be used.
enum class Obstacle {
  kNone,
  kLink,         // a symbolic link (or, on Windows, another reparse point) has the name
  kNotFolder,    // a folder was wanted, something else has the name
  kNotFile,      // a file was wanted, something else (not a regular file) has the name
  kNameTooLong,  // longer than the file system allows
  kTooDeep,      // too many folders open at once
};

// An open folder. Moving it elsewhere does not change which folder it is.
class Folder {
 public:
  Folder() = default;  // none yet, to be assigned

  // `path` itself, which may be reached through links (the user named it). Throws ToolError.
  static Folder Open(const std::filesystem::path& path);

  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  ~Folder();

  // The folder `name` inside this one, created when missing. Gives an obstacle instead when
  // the name is taken by a link or by something other than a folder; throws ToolError on any
  // other failure.
  Obstacle OpenChild(const std::filesystem::path& name, Folder& child) const;

  // Makes the folder's list of names durable (after a rename into it).
  void Sync() const;

  // Removes the files of the tool's temporary form in this folder that no copy of the tool is
  // writing: left by a tool that was killed. A file being written is locked by its writer (on
  // Windows, open without sharing), so a stale one is one that can be locked.
  void RemoveStaleTemporaries() const;

  // For messages.
  const std::filesystem::path& Path() const { return path_; }

 private:
  friend class NewFile;

  std::filesystem::path path_;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// A file being written in a folder where no one sees it half-written under its final name.
// It is removed when destroyed without being put in place, and when the tool is stopped by a
// signal or a console event (see RemovePendingFileOnStop).
class NewFile {
 public:
  enum class Purpose {
    // Has no name at all where the system allows it, else a temporary one; put in place
    // with Place.
    kExtractedFile,
    // Has a temporary name (`.vok-` + 16 hex digits + `.part`) and is written out to the disk
    // as it grows; put in place with PlaceDurably.
    kArchive,
  };

  // Throws ToolError.
  NewFile(const Folder& folder, Purpose purpose);
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // False when the data could not be written (a full disk, mostly).
  bool Write(std::span<const char> data);

  // Gives the file `name` in its folder, replacing a regular file of that name. A link or
  // anything else of that name, or a name too long, is an obstacle and the file is dropped.
  // Throws ToolError when it fails otherwise.
  Obstacle Place(const std::filesystem::path& name);

  // Writes the file through to the disk, renames it over `name`, whatever had that name
  // before (a folder excepted), and makes the rename durable: after a power cut `name` is
  // either what it was or the complete new file. Throws ToolError.
  void PlaceDurably(const std::filesystem::path& name);

  // Empty while the file has no name.
  const std::filesystem::path& TemporaryName() const { return temporaryName_; }

 private:
  void Drop();

  const Folder& folder_;
  Purpose purpose_;
  std::uint64_t written_ = 0;
  std::uint64_t writtenBack_ = 0;  // the part of written_ already on its way to the disk
  std::filesystem::path temporaryName_;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// A file read from the start, which can seek when it is a regular file.
class InputFile : public ByteSource {
 public:
  InputFile() = default;  // none open yet
  ~InputFile() override;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the file cannot be opened for reading. Closes the one open before.
  bool Open(const std::filesystem::path& path);
  void Close();

  std::size_t Read(std::span<char> out) override;
  std::optional<std::uint64_t> Remaining() override;
  bool Skip(std::uint64_t n) override;

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Standard output or standard error, written as they are, without a buffer: ConsoleOutput
// gathers the lines. After a write failed (the reader went away), the rest is dropped.
class StandardStream : public ByteSink {
 public:
  enum class Which { kOutput, kError };
  explicit StandardStream(Which which);

  bool Write(std::span<const char> data) override;

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  bool failed_ = false;
};

// From now on SIGTERM, SIGINT and SIGHUP (on Windows the console's control events) remove the
// pending NewFile's temporary name before the tool ends as the event would have ended it.
void RemovePendingFileOnStop();

// A fresh random name of the tool's temporary form, and whether a name has that form.
std::filesystem::path RandomTemporaryName();
bool IsTemporaryName(const std::filesystem::path& name);

}  // namespace vokmaker
