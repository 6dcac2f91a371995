#pragma once

#include "shell/link_launcher.h"

namespace vok {

// Hands the link to the desktop's default handler. The desktop decides how the browser's
// window is shown; the show code cannot be passed on.
class QtLinkLauncher : public LinkLauncher {
 public:
  void ShellExecute(std::string_view item, int showCode) override;
};

}  // namespace vok
