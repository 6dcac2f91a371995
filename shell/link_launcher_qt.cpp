#include "shell/link_launcher_qt.h"

#include <QDesktopServices>
#include <QUrl>

namespace vok {

void QtLinkLauncher::ShellExecute(std::string_view item, int showCode) {
  (void)showCode;
  QDesktopServices::openUrl(
      QUrl(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())), QUrl::StrictMode));
}

}  // namespace vok
