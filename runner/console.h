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
  virtual void Write(std::string_view output) = 0;
};

class ConsoleHost {
 public:
  virtual ~ConsoleHost() = default;
  virtual std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view title, WindowMode mode) = 0;
};

}  // namespace vok
