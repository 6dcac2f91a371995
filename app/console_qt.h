#pragma once

#include <functional>

#include "runner/console.h"

namespace vok {

// Console windows on Qt: a window of the program's own showing a shown script's output live in
// a fixed-width font, with a Stop button, closed when the script's process has ended. Clicking
// Stop or closing the window calls `stopRun`.
class QtConsoleHost : public ConsoleHost {
 public:
  explicit QtConsoleHost(std::function<void()> stopRun = {}) : stopRun_(std::move(stopRun)) {}
  std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view title, WindowMode mode) override;

 private:
  std::function<void()> stopRun_;
};

}  // namespace vok
