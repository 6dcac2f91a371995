#include "tools/vokmaker2/console.h"

#include "tools/vokmaker2/entry_name.h"

namespace vokmaker {

namespace {

constexpr std::size_t kFlushBytes = 64 * 1024;
constexpr auto kFlushInterval = std::chrono::milliseconds(100);

}  // namespace

ConsoleOutput::ConsoleOutput(std::ostream& out)
    : out_(out), lastFlush_(std::chrono::steady_clock::now()) {
  buffer_.reserve(kFlushBytes + 4096);
}

ConsoleOutput::~ConsoleOutput() { Flush(); }

void ConsoleOutput::Line(std::string_view text) {
  buffer_.append(text);
  buffer_.append(kNewline);
  if (buffer_.size() >= kFlushBytes ||
      std::chrono::steady_clock::now() - lastFlush_ >= kFlushInterval) {
    Flush();
  }
}

void ConsoleOutput::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  out_.flush();
  buffer_.clear();
  lastFlush_ = std::chrono::steady_clock::now();
}

ConsoleReporter::ConsoleReporter(ConsoleOutput& out, std::ostream& err, std::string_view verb)
    : out_(out), err_(err), verb_(verb) {}

void ConsoleReporter::Progress(const Entry& file) {
  out_.Line(verb_ + " " + ListingName(file.name) + " (" + Count(file.size, "byte", "bytes") + ")");
}

void ConsoleReporter::Warning(std::string_view message) {
  out_.Flush();  // keep the order in which things happened on a shared console
  err_ << kProgramName << ": warning: " << message << kNewline << std::flush;
}

void ConsoleReporter::Summary(std::string_view line) { out_.Line(line); }

std::string Count(std::uint64_t n, std::string_view singular, std::string_view plural) {
  return std::to_string(n) + " " + std::string(n == 1 ? singular : plural);
}

}  // namespace vokmaker
