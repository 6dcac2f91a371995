#pragma once

#include <memory>
#include <string_view>

#include "runner/process_services.h"

namespace vok {

// A console window of the program's own that shows a running script's output; it closes when
// it is destroyed, once the process has ended.
class ConsoleWindow {
 public:
  virtual ~ConsoleWindow() = default;
  // Takes the next piece of output. Called on the thread that reads the script's output, not the
  // window's; returns at once, whatever the window is doing, and may drop what there is no time
  // to show.
  virtual void Write(std::string_view output) = 0;
};

class ConsoleHost {
 public:
  virtual ~ConsoleHost() = default;
  virtual std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view title, WindowMode mode) = 0;
};

}  // namespace vok
