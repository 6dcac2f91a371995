#pragma once

#include <string_view>

namespace vok {

// Hands a web or "mailto:" address to the desktop's default program for it, without waiting.
class LinkLauncher {
 public:
  virtual ~LinkLauncher() = default;
  // `showCode` is a window mode: 0 hidden, 1 normal, 2 minimized, 3 maximized.
  virtual void ShellExecute(std::string_view item, int showCode) = 0;
};

}  // namespace vok
