#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vokmaker2/console.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {

// Test listings show a format by its name.
inline void PrintTo(Format format, std::ostream* out) { *out << FormatName(format); }

}  // namespace vokmaker

namespace vokmaker::testing {

namespace fs = std::filesystem;

// A fresh folder under the build tree, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view utf8) const;

 private:
  fs::path path_;
};

fs::path U8Path(std::string_view utf8);
void WriteFile(const fs::path& path, std::string_view content);
std::string ReadFile(const fs::path& path);
std::string RandomBytes(std::size_t n, std::uint32_t startValue);

// Every file and folder under `root` by relative '/' path: files map to their content,
// folders to "<folder>", links to "<link>".
std::map<std::string, std::string> Snapshot(const fs::path& root);

// The names in a folder (not recursive), sorted.
std::vector<std::string> NamesIn(const fs::path& folder);

// Archive bytes made by hand, independently of the tool's writer, so that tests can build
// archives the writer would never produce.
class ArchiveBytes {
 public:
  explicit ArchiveBytes(Format format);      // starts with the format's mark
  static ArchiveBytes Empty(Format format);  // no mark at all

  ArchiveBytes& Raw(std::string_view bytes);
  ArchiveBytes& Le(std::uint64_t value, int bytes);
  // A record with its name and, for TEMO, its correct checksum.
  ArchiveBytes& Record(std::uint8_t type, std::string_view name, std::uint64_t size,
                       std::uint8_t flags = 0);
  // A file's data: VOK as is; TEMO as stored blocks followed by the data's checksum.
  ArchiveBytes& Data(std::string_view content);
  ArchiveBytes& File(std::string_view name, std::string_view content);
  ArchiveBytes& Folder(std::string_view name);
  // The end record, counting the records so far unless told otherwise.
  ArchiveBytes& End(std::optional<std::uint64_t> count = std::nullopt);

  const std::string& bytes() const { return bytes_; }
  Format format() const { return format_; }

 private:
  ArchiveBytes(Format format, bool withMark);
  Format format_;
  std::string bytes_;
  std::uint64_t records_ = 0;
};

// Records what a command reports; `onProgress` lets a test act while a file is handled.
class RecordingReporter : public Reporter {
 public:
  void Progress(const Entry& file) override;
  void Warning(std::string_view message) override { warnings.emplace_back(message); }
  void Summary(std::string_view line) override { summaries.emplace_back(line); }

  std::vector<std::string> progress;
  std::vector<std::string> warnings;
  std::vector<std::string> summaries;
  std::function<void(const Entry&)> onProgress;
};

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built VOKMaker2 executable with these arguments (UTF-8) through the shell.
ToolRun RunTool(const std::vector<std::string>& args, const fs::path& scratch);

std::string Suffix(Format format);  // ".vok" or ".temo"

}  // namespace vokmaker::testing
