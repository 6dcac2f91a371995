#pragma once

#include <functional>

#include "runner/console.h"
#include "runner/progress.h"

namespace vok {

class QtConsoleWindow;

// Console windows on Qt: a window of the program's own showing a shown script's output live in
// a fixed-width font, with the job's progress above it and a Stop button below, closed when the
// script's process has ended. Clicking Stop or closing the window calls `stopRun`.
class QtConsoleHost : public ConsoleHost {
 public:
  explicit QtConsoleHost(std::function<void()> stopRun = {}) : stopRun_(std::move(stopRun)) {}
  std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view title, WindowMode mode) override;
  // Shows how far the job has come in the console that is open, if one is.
  void ShowProgress(const JobProgress& progress);

 private:
  friend class QtConsoleWindow;
  std::function<void()> stopRun_;
  QtConsoleWindow* open_ = nullptr;
};

}  // namespace vok
