#include "shell/link_launcher_win.h"

#include "common/text_win.h"

namespace vok {

void WinLinkLauncher::ShellExecute(std::string_view item, int showCode) {
  ShellExecuteW(nullptr, nullptr, Wide(item).c_str(), nullptr, L"C:\\", showCode);
}

}  // namespace vok
