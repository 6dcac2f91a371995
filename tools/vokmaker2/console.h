#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/byte_stream.h"

namespace vokmaker {

inline constexpr std::string_view kNewline = "\r\n";

// Lines for standard output, ended with CR LF. They are collected and written in large
// pieces, yet never held back for long, so a user watching sees steady progress and a
// million-line listing costs few writes. Lines are written when 100 ms have passed since the
// last write and a line arrives; the clock for that is read at every line, or, while many lines
// come within a millisecond, once for up to 256 of them.
class ConsoleOutput {
 public:
  explicit ConsoleOutput(ByteSink& out);
  ~ConsoleOutput();
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

  void Line(std::string_view text);
  // A line written in place: room for up to `n` bytes, then EndLine with where it ends.
  // Inline, as a listing writes a line per entry.
  char* LineSpace(std::size_t n) {
    const std::size_t needed = size_ + n + kNewline.size();
    if (needed > capacity_) Grow(needed);
    return buffer_.get() + size_;
  }
  void EndLine(const char* end) {
    size_ = static_cast<std::size_t>(end - buffer_.get());
    std::memcpy(buffer_.get() + size_, kNewline.data(), kNewline.size());
    size_ += kNewline.size();
    if (size_ >= kFlushBytes || ++linesSinceClockRead_ >= linesPerClockRead_) AfterLines();
  }
  void Flush();

 private:
  static constexpr std::size_t kFlushBytes = 64 * 1024;

  void Grow(std::size_t needed);
  // A full buffer is written; otherwise the clock tells whether it is time to write.
  void AfterLines();

  ByteSink& out_;
  std::unique_ptr<char[]> buffer_;  // lines not yet written: size_ bytes of capacity_
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::chrono::steady_clock::time_point lastFlush_;
  std::chrono::steady_clock::time_point lastClockRead_;
  std::uint32_t linesSinceClockRead_ = 0;
  std::uint32_t linesPerClockRead_ = 1;
};

// What packing, extracting and listing tell the user on the way.
class Reporter {
 public:
  virtual ~Reporter() = default;
  // A file is about to be packed or extracted.
  virtual void Progress(const Entry& file) = 0;
  // `done` bytes of a large file are packed or extracted; told every kProgressStep bytes.
  virtual void Partial(const Entry& file, std::uint64_t done) = 0;
  // Something was skipped or refused; the command goes on.
  virtual void Warning(std::string_view message) = 0;
  virtual void Summary(std::string_view line) = 0;
};

// Progress and summary on standard output, warnings on standard error.
class ConsoleReporter : public Reporter {
 public:
  ConsoleReporter(ConsoleOutput& out, ByteSink& err, std::string_view verb);
  void Progress(const Entry& file) override;
  void Partial(const Entry& file, std::uint64_t done) override;
  void Warning(std::string_view message) override;
  void Summary(std::string_view line) override;

 private:
  ConsoleOutput& out_;
  ByteSink& err_;
  std::string verb_;
};

inline constexpr std::string_view kProgramName = "VOKMaker2";
// How often the work on a large file is told, so that a window showing the progress moves.
inline constexpr std::uint64_t kProgressStep = std::uint64_t{64} << 20;

// "1 file", "2 files".
std::string Count(std::uint64_t n, std::string_view singular, std::string_view plural);

}  // namespace vokmaker
