#include <QApplication>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>

#include "app/form1_qt.h"

namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!HasDisplay()) {
    std::fputs(
        "vokruzeru: there is no display to show the window on (neither DISPLAY nor "
        "WAYLAND_DISPLAY is set).\nStart it from a desktop session, or under a virtual display "
        "such as xvfb-run.\n",
        stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vokruzeru"));
  QApplication::setQuitOnLastWindowClosed(false);

  const vok::Workspace workspace = vok::ChooseWorkspace(
      vok::PathFromUtf8(QCoreApplication::applicationDirPath().toStdString()),
      vok::PathFromUtf8(
          QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString()),
      vok::ScriptDialect::Posix);
  vok::Form1Window window(workspace);
  window.show();
  return QApplication::exec();
}
