#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/byte_stream.h"
#include "tools/vokmaker2/console.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {

// Test listings show a format by its name.
inline void PrintTo(Format format, std::ostream* out) { *out << FormatName(format); }

}  // namespace vokmaker

namespace vokmaker::testing {

namespace fs = std::filesystem;

// For tests that run once per format, named after it.
inline auto BothFormats() { return ::testing::Values(Format::kVok, Format::kTemo); }
inline std::string FormatRowName(const ::testing::TestParamInfo<Format>& row) {
  return std::string(FormatName(row.param));
}
std::string Suffix(Format format);  // ".vok" or ".temo"

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

void WriteFile(const fs::path& path, std::string_view content);
std::string ReadFile(const fs::path& path);
std::string RandomBytes(std::size_t n, std::uint32_t startValue);
// Bytes spelled one by one, as numbers or characters.
std::string Bytes(std::initializer_list<int> bytes);

// Every file and folder under `root` by relative '/' path: files map to their content (a
// large one to its size and a hash, so that a failure message stays short), folders to
// "<folder>", links to "<link>", anything else to "<special>".
std::map<std::string, std::string> Snapshot(const fs::path& root);

// The names in a folder (not recursive), sorted.
std::vector<std::string> NamesIn(const fs::path& folder);

// Archive bytes made by hand, independently of the tool's writer, so that tests can build
// archives the writer would never produce.
class ArchiveBytes {
 public:
  explicit ArchiveBytes(Format format);  // starts with the format's mark

  ArchiveBytes& Raw(std::string_view bytes);
  ArchiveBytes& Le(std::uint64_t value, int bytes);
  // A record with its name and, for TEMO, its correct checksum.
  ArchiveBytes& Record(std::uint8_t type, std::string_view name, std::uint64_t size,
                       std::uint8_t flags = 0);
  // A file's record and data: VOK as is; TEMO as stored blocks and the data's checksum.
  ArchiveBytes& File(std::string_view name, std::string_view content);
  // A TEMO data block: method, raw length, then the packed bytes with their length.
  ArchiveBytes& Block(std::uint8_t method, std::uint32_t rawLength, std::string_view packed);
  ArchiveBytes& Folder(std::string_view name);
  // The end record, counting the records so far unless told otherwise.
  ArchiveBytes& End(std::optional<std::uint64_t> count = std::nullopt);

  const std::string& bytes() const { return bytes_; }

 private:
  Format format_;
  std::string bytes_;
  std::uint64_t records_ = 0;
};

// Bytes in memory as the tool reads them: from a source that can seek, as a file, or from
// one that cannot, as a pipe.
class StringSource : public ByteSource {
 public:
  StringSource(std::string bytes, bool seekable) : bytes_(std::move(bytes)), seekable_(seekable) {}
  std::size_t Read(std::span<char> out) override;
  std::optional<std::uint64_t> Remaining() override;
  bool Skip(std::uint64_t n) override;

  std::uint64_t skipped = 0;  // the bytes sought over

 private:
  std::string bytes_;
  bool seekable_;
  std::size_t at_ = 0;
};

// Keeps what the tool writes.
class StringSink : public ByteSink {
 public:
  bool Write(std::span<const char> data) override {
    bytes.append(data.data(), data.size());
    return true;
  }
  std::string bytes;
};

// What the reader hands out: entry names in order (folders with a trailing '/'), the number
// of data bytes, and the files reported complete.
class ReadBack : public EntryVisitor {
 public:
  explicit ReadBack(bool wantData) : wantData_(wantData) {}
  bool OnEntry(const Entry& entry) override;
  void OnData(const Entry&, std::span<const char> data) override { dataBytes += data.size(); }
  void OnFileEnd(const Entry& entry) override { completed.push_back(entry.name); }

  std::vector<std::string> entries;
  std::uint64_t dataBytes = 0;
  std::vector<std::string> completed;

 private:
  bool wantData_;
};

// The names stored in an archive file, folders with a trailing '/'.
std::set<std::string> StoredNames(const fs::path& archive, Format format);

// Records what a command reports; `onProgress` lets a test act while a file is handled.
class RecordingReporter : public Reporter {
 public:
  void Progress(const Entry& file) override {
    if (onProgress) onProgress(file);
  }
  void Partial(const Entry&, std::uint64_t done) override { partials.push_back(done); }
  void Warning(std::string_view message) override { warnings.emplace_back(message); }
  void Summary(std::string_view) override {}

  std::vector<std::string> warnings;
  std::vector<std::uint64_t> partials;  // what Partial told, in order
  std::function<void(const Entry&)> onProgress;
};

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built VOKMaker2 executable with these arguments (UTF-8) through the shell.
ToolRun RunTool(const std::vector<std::string>& args, const fs::path& scratch);

// The lines of the tool's output; every line must end with CR LF.
std::vector<std::string> Lines(const std::string& text);

}  // namespace vokmaker::testing
