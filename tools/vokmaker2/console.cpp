#include "tools/vokmaker2/console.h"

#include <algorithm>
#include <cstring>

#include "tools/vokmaker2/entry_name.h"

namespace vokmaker {

namespace {

constexpr auto kFlushInterval = std::chrono::milliseconds(100);
// While the lines between two readings of the clock all came within kQuickLines, twice as
// many go before the next reading, up to kMaxLinesPerClockRead.
constexpr auto kQuickLines = std::chrono::milliseconds(1);
constexpr std::uint32_t kMaxLinesPerClockRead = 256;

}  // namespace

ConsoleOutput::ConsoleOutput(ByteSink& out)
    : out_(out), lastFlush_(std::chrono::steady_clock::now()), lastClockRead_(lastFlush_) {}

ConsoleOutput::~ConsoleOutput() { Flush(); }

void ConsoleOutput::Line(std::string_view text) {
  char* const line = LineSpace(text.size());
  std::memcpy(line, text.data(), text.size());
  EndLine(line + text.size());
}

void ConsoleOutput::Grow(std::size_t needed) {
  const std::size_t capacity = std::max(needed, kFlushBytes + 4096);
  auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
  if (size_ > 0) std::memcpy(buffer.get(), buffer_.get(), size_);
  buffer_ = std::move(buffer);
  capacity_ = capacity;
}

void ConsoleOutput::AfterLines() {
  if (size_ >= kFlushBytes) {
    Flush();
    return;
  }
  // Reading the clock for every line took a tenth of a long listing's time.
  const auto now = std::chrono::steady_clock::now();
  linesPerClockRead_ = now - lastClockRead_ < kQuickLines
                           ? std::min(2 * linesPerClockRead_, kMaxLinesPerClockRead)
                           : 1;
  linesSinceClockRead_ = 0;
  lastClockRead_ = now;
  if (now - lastFlush_ >= kFlushInterval) Flush();
}

void ConsoleOutput::Flush() {
  out_.Write({buffer_.get(), size_});
  out_.Flush();
  size_ = 0;
  lastFlush_ = std::chrono::steady_clock::now();
}

ConsoleReporter::ConsoleReporter(ConsoleOutput& out, ByteSink& err, std::string_view verb)
    : out_(out), err_(err), verb_(verb) {}

void ConsoleReporter::Progress(const Entry& file) {
  out_.Line(verb_ + " " + ListingName(file.name) + " (" + Count(file.size, "byte", "bytes") + ")");
}

void ConsoleReporter::Partial(const Entry& file, std::uint64_t done) {
  std::string verb = verb_;
  if (!verb.empty() && verb[0] >= 'A' && verb[0] <= 'Z') verb[0] = static_cast<char>(verb[0] + 32);
  out_.Line("Still " + verb + " " + ListingName(file.name) + ": " + std::to_string(done) + " of " +
            Count(file.size, "byte", "bytes"));
  out_.Flush();  // a window showing the progress sees it now
}

void ConsoleReporter::Warning(std::string_view message) {
  out_.Flush();  // keep the order in which things happened on a shared console
  std::string line(kProgramName);
  line += ": warning: ";
  line += message;
  line += kNewline;
  err_.Write(line);
}

void ConsoleReporter::Summary(std::string_view line) { out_.Line(line); }

std::string Count(std::uint64_t n, std::string_view singular, std::string_view plural) {
  return std::to_string(n) + " " + std::string(n == 1 ? singular : plural);
}

}  // namespace vokmaker
