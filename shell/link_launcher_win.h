#pragma once

#include <windows.h>

#include <shellapi.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include "shell/link_launcher.h"

namespace vok {

// ShellExecuteW with the item's default verb, no owner window and "C:\" as working directory.
class WinLinkLauncher : public LinkLauncher {
 public:
  void ShellExecute(std::string_view item, int showCode) override;
};

}  // namespace vok
