#pragma once

#include "runner/console.h"

namespace vok {

// Console windows on Qt: a window of the program's own showing a shown script's output live in
// a fixed-width font, closed when the script's process has ended.
class QtConsoleHost : public ConsoleHost {
 public:
  std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view title, WindowMode mode) override;
};

}  // namespace vok
