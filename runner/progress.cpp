#include "runner/progress.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace vok {

namespace {

constexpr std::size_t kLongestLine = 70000;  // longer than any line the tool writes

std::optional<std::uint64_t> Number(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// "<Verb> \name (N bytes)" or "(1 byte)": the name and N.
std::optional<std::pair<std::string_view, std::uint64_t>> FileBegins(std::string_view line) {
  const std::size_t name = line.find(" \\");
  const std::size_t open = line.rfind(" (");
  if (name == std::string_view::npos || open == std::string_view::npos || open <= name ||
      !line.ends_with(")")) {
    return std::nullopt;
  }
  std::string_view count = line.substr(open + 2, line.size() - open - 3);
  if (count.ends_with(" bytes")) {
    count.remove_suffix(6);
  } else if (count.ends_with(" byte")) {
    count.remove_suffix(5);
  } else {
    return std::nullopt;
  }
  const auto size = Number(count);
  if (!size) return std::nullopt;
  return std::pair{line.substr(name + 1, open - name - 1), *size};
}

// "Still <verb> \name: D of N bytes": D.
std::optional<std::uint64_t> FileGoesOn(std::string_view line) {
  if (!line.starts_with("Still ") || !line.ends_with(" bytes")) return std::nullopt;
  const std::size_t colon = line.rfind(": ");
  const std::size_t of = line.rfind(" of ");
  if (colon == std::string_view::npos || of == std::string_view::npos || of < colon) {
    return std::nullopt;
  }
  return Number(line.substr(colon + 2, of - colon - 2));
}

// Reads "N <word>" at the front of `text` and takes it off; nullopt when it is not there.
std::optional<std::uint64_t> Counted(std::string_view& text, std::string_view singular,
                                     std::string_view plural) {
  const std::size_t space = text.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  const auto n = Number(text.substr(0, space));
  std::string_view rest = text.substr(space + 1);
  const std::string_view word = n == 1 ? singular : plural;
  if (!n || !rest.starts_with(word)) return std::nullopt;
  text = rest.substr(word.size());
  return n;
}

bool Skip(std::string_view& text, std::string_view what) {
  if (!text.starts_with(what)) return false;
  text.remove_prefix(what.size());
  return true;
}

}  // namespace

std::optional<ToolSummary> ReadToolSummary(std::string_view line) {
  if (!Skip(line, "Extracted ") && !Skip(line, "Packed ")) return std::nullopt;
  ToolSummary summary;
  const auto files = Counted(line, "file", "files");
  if (!files || !Skip(line, " and ")) return std::nullopt;
  const auto folders = Counted(line, "folder", "folders");
  if (!folders || !Skip(line, " (")) return std::nullopt;
  const auto bytes = Counted(line, "byte", "bytes");
  if (!bytes || !Skip(line, ") into ")) return std::nullopt;
  summary.files = *files;
  summary.folders = *folders;
  summary.bytes = *bytes;
  if (const std::size_t refused = line.rfind("; "); refused != std::string_view::npos) {
    std::string_view rest = line.substr(refused + 2);
    if (const auto n = Counted(rest, "entry", "entries"); n && rest == " refused") {
      summary.refused = *n;
    }
  }
  return summary;
}

void ProgressTracker::Output(std::string_view piece) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::string_view lastName;  // the name of the last file begun in this piece
  const char* const end = piece.data() + piece.size();
  for (const char* at = piece.data(); at < end;) {
    const auto* found = static_cast<const char*>(std::memchr(at, '\n', end - at));
    const char* lineEnd = found != nullptr ? found : end;
    std::string_view part(at, static_cast<std::size_t>(lineEnd - at));
    if (found != nullptr && part.ends_with('\r')) part.remove_suffix(1);
    if (lineEnd == end) {
      // A line that never ends is kept only as far as a line of the tool's can reach.
      partialLine_.append(
          part.substr(0, kLongestLine - std::min(kLongestLine, partialLine_.size())));
      break;
    }
    if (partialLine_.empty()) {
      if (ReadLine(part)) lastName = current_;
    } else {
      partialLine_.append(part);
      if (partialLine_.ends_with('\r')) partialLine_.pop_back();  // a CR LF split between pieces
      if (ReadLine(partialLine_)) {
        progress_.current.assign(current_);
        lastName = {};
      }
      partialLine_.clear();
    }
    at = lineEnd + 1;
  }
  if (!lastName.empty()) progress_.current.assign(lastName);
}

bool ProgressTracker::ReadLine(std::string_view line) {
  if (line.empty()) return false;
  ++progress_.lines;
  if (line[0] == 'E' || line[0] == 'P') {
    if (auto summary = ReadToolSummary(line)) {
      progress_.summary = summary;
      return false;
    }
  }
  if (const auto begins = FileBegins(line)) {
    progress_.bytesDone += currentSize_ - std::min(currentDone_, currentSize_);
    ++progress_.filesBegun;
    current_ = begins->first;
    currentSize_ = begins->second;
    currentDone_ = 0;
    return true;
  }
  if (const auto done = FileGoesOn(line)) {
    const std::uint64_t now = std::min(*done, currentSize_);
    if (now > currentDone_) {
      progress_.bytesDone += now - currentDone_;
      currentDone_ = now;
    }
  }
  return false;
}

ToolProgress ProgressTracker::Take() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return progress_;
}

std::string DescribeSummary(std::string_view done, const ToolSummary& summary,
                            std::string_view into) {
  const auto count = [](std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string text = std::string(done) + " " + count(summary.files, "file", "files") + " and " +
                     count(summary.folders, "folder", "folders") + " (" +
                     ReadableSize(summary.bytes) + ") into " + std::string(into) + ".";
  if (summary.refused > 0) {
    text += ' ';
    text += count(summary.refused, "entry was", "entries were");
    text += " refused: the tool's output says why.";
  }
  return text;
}

std::string ReadableSize(std::uint64_t bytes) {
  if (bytes < 1000) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  static constexpr const char* kUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
  // In tenths of the unit, rounded to the nearest; in the next unit where that makes 1000.0.
  std::uint64_t tenth = 100;  // bytes
  std::size_t unit = 0;
  const auto tenths = [&] { return bytes / tenth + (bytes % tenth >= tenth - bytes % tenth); };
  std::uint64_t shown = tenths();
  while (shown >= 10000 && unit + 1 < std::size(kUnits)) {
    tenth *= 1000;
    ++unit;
    shown = tenths();
  }
  return std::to_string(shown / 10) + "." + std::to_string(shown % 10) + " " + kUnits[unit];
}

std::string ReadableDuration(std::chrono::seconds duration) {
  const long long total = std::max<long long>(0, duration.count());
  const auto twoDigits = [](long long n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  const std::string minutes = total >= 3600
                                  ? std::to_string(total / 3600) + ":" + twoDigits(total / 60 % 60)
                                  : std::to_string(total / 60);
  return minutes + ":" + twoDigits(total % 60);
}

JobProgress DescribeProgress(std::string_view job, const JobTotals& totals,
                             const ToolProgress& progress, std::chrono::milliseconds elapsed) {
  JobProgress shown;
  std::optional<double> fraction;
  if (totals.bytes && *totals.bytes > 0) {
    fraction = static_cast<double>(std::min(progress.bytesDone, *totals.bytes)) / *totals.bytes;
  } else if (totals.files && *totals.files > 0) {
    const std::uint64_t done = progress.filesBegun > 0 ? progress.filesBegun - 1 : 0;
    fraction = static_cast<double>(std::min(done, *totals.files)) / *totals.files;
  }
  if (fraction) shown.percent = std::min(99, static_cast<int>(*fraction * 100));

  shown.title =
      shown.percent ? std::to_string(*shown.percent) + "% " + std::string(job) : std::string(job);
  const std::uint64_t files = progress.filesBegun;
  shown.files = totals.files ? std::to_string(std::min(files, *totals.files)) + " of " +
                                   std::to_string(*totals.files) + " files"
                             : std::to_string(files) + (files == 1 ? " file" : " files");
  if (totals.counting) shown.files = "Counting files\u2026 " + shown.files + " so far";
  shown.bytes = ReadableSize(progress.bytesDone);
  if (totals.bytes) shown.bytes += " of " + ReadableSize(*totals.bytes);

  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed);
  shown.times = ReadableDuration(seconds) + " elapsed";
  // Time left is told once there is enough behind to judge by.
  if (fraction && *fraction >= 0.01 && elapsed >= std::chrono::seconds(2)) {
    const double left = elapsed.count() / 1000.0 * (1 - *fraction) / *fraction;
    shown.times +=
        ", " + ReadableDuration(std::chrono::seconds(static_cast<long long>(left))) + " left";
  }
  shown.current = progress.current;
  return shown;
}

}  // namespace vok
