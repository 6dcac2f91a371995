#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "runner/console.h"
#include "runner/progress.h"

namespace vok {

// The console window's class and the identifiers of its controls.
inline constexpr wchar_t kConsoleWindowClass[] = L"VOKRuzeruConsole";
enum ConsoleControlId : int {
  kConsoleProgressId = 1,
  kConsoleCountsId,
  kConsoleTimesId,
  kConsoleNameId,
  kConsoleTextId,
  kConsoleStopId,
};

class WinConsoleWindow;

// Console windows on Win32: a window of the program's own showing a shown script's output live
// in a fixed-width font, in a read-only edit control, with the job's progress above it and on
// its taskbar button, and a Stop button below; closed when the script's process has ended.
// Clicking Stop or closing the window calls `stopRun`.
class WinConsoleHost : public ConsoleHost {
 public:
  explicit WinConsoleHost(std::function<void()> stopRun = {}) : stopRun_(std::move(stopRun)) {}
  std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view title, WindowMode mode) override;
  // Shows how far the job has come in the console that is open, if one is.
  void ShowProgress(const JobProgress& progress);

 private:
  friend class WinConsoleWindow;
  std::function<void()> stopRun_;
  WinConsoleWindow* open_ = nullptr;
};

}  // namespace vok
