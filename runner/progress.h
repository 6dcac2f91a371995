#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "runner/process_services.h"

namespace vok {

// What a job has to do, known before it runs; nullopt where it is not known.
struct JobTotals {
  std::optional<std::uint64_t> files;
  std::optional<std::uint64_t> bytes;
  bool counting = false;  // they are being counted while the job runs
};

// How far the archive tool has come, read from the lines it writes:
//   "Extracting \name (N bytes)" or "Adding \name (N bytes)": the next file begins;
//   "Still extracting \name: D of N bytes": D bytes of the file are done.
// Any other line still shows that the tool is at work.
// What the tool's last line says it did: "Extracted 2 files and 1 folder (10 bytes) into X",
// "Packed ...", with "; 3 entries refused" where some were.
struct ToolSummary {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
  std::uint64_t refused = 0;
};
std::optional<ToolSummary> ReadToolSummary(std::string_view line);

struct ToolProgress {
  std::uint64_t filesBegun = 0;
  std::uint64_t bytesDone = 0;  // of the files before the current one, and of the current one
  std::string current;          // the name being worked on, as the tool writes it
  std::uint64_t lines = 0;
  std::optional<ToolSummary> summary;  // once the tool has told it
};

// Takes the tool's output on the thread that reads it, in pieces of any size, and tells the
// window's thread how far the tool has come. Lines end at LF, or CR LF.
class ProgressTracker : public OutputListener {
 public:
  void Output(std::string_view piece) override;
  [[nodiscard]] ToolProgress Take() const;

 private:
  // True when `line` begins a file; its name is then in current_ until the next call.
  bool ReadLine(std::string_view line);

  mutable std::mutex mutex_;
  ToolProgress progress_;
  std::uint64_t currentSize_ = 0;
  std::uint64_t currentDone_ = 0;
  std::string_view current_;
  std::string partialLine_;
};

// What the window shows of a running job.
struct JobProgress {
  std::optional<int> percent;  // nullopt: the total is not known, a busy bar
  std::string title;           // "37% Extracting photos.temo"
  std::string files;           // "120 of 324 files"
  std::string bytes;           // "12.4 MB of 33.0 MB"
  std::string times;           // "0:12 elapsed, 0:20 left"
  std::string current;         // the name being worked on
};

// The job `verb` ("Extracting photos.temo"), with `totals`, after `elapsed`. A running job never
// shows 100 %.
JobProgress DescribeProgress(std::string_view job, const JobTotals& totals,
                             const ToolProgress& progress, std::chrono::milliseconds elapsed);

// "Extracted 2 files and 1 folder (10 bytes) into /home/me/out." with `done` ("Extracted") and
// `into`; what was refused is added.
std::string DescribeSummary(std::string_view done, const ToolSummary& summary,
                            std::string_view into);

// "1.5 MB", "999 bytes": sizes for people, in powers of 1000.
std::string ReadableSize(std::uint64_t bytes);
// "0:07", "12:30", "1:02:03".
std::string ReadableDuration(std::chrono::seconds duration);

}  // namespace vok
