#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace vok {

// Laying text out is what costs a console window: it takes a run's output in batches, every
// kConsoleFlushMs at most kConsoleShownPerFlush bytes of the latest output, and keeps a bounded
// scroll-back of short lines.
inline constexpr int kConsoleFlushMs = 50;
inline constexpr std::size_t kConsoleShownPerFlush = 32 * 1024;
inline constexpr int kConsoleScrollBackLines = 5000;
// A longer line is shown in pieces of this many characters (UTF-16 code units, as the toolkits
// count them).
inline constexpr int kConsoleLinePiece = 2000;

// What a console window shows of a run's output, the same on every toolkit.
class ConsoleText {
 public:
  // Takes the next piece of output, on the thread that reads it; returns at once. What the
  // window has had no time to show is dropped, the oldest first.
  void Write(std::string_view piece);
  // On the window's thread, every kConsoleFlushMs: the text to add at the end of what is shown,
  // made of at most the latest `atMost` bytes of output (a window slow to lay text out takes
  // less), in UTF-8 (a byte that is not UTF-8 becomes U+FFFD), each line ended by LF (the output's
  // LF, CR LF or CR) and no longer than kConsoleLinePiece. Where output was dropped, a line
  // "[... N bytes of output not shown ...]" stands for it. Empty when nothing new came.
  std::string Take(std::size_t atMost = kConsoleShownPerFlush);

 private:
  void Drop(std::size_t bytes);  // with mutex_ held

  std::mutex mutex_;  // guards what the reading thread hands over
  std::string pending_;
  std::size_t dropped_ = 0;

  // The window thread's own.
  std::string partial_;   // the start of a character at the end of the last batch
  int column_ = 0;        // code units shown since the last line break
  bool afterCr_ = false;  // the last character shown was a CR
};

}  // namespace vok
