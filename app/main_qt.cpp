#include <QApplication>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/form1_qt.h"

namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

vok::CommandLine Parse(int argc, char* argv[]) {
  return vok::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}

}  // namespace

int main(int argc, char* argv[]) {
  // --help and --version answer on the terminal, with or without a display.
  if (const vok::CommandLine asked = Parse(argc, argv);
      asked.action != vok::CommandLine::Action::OpenWindow) {
    const std::string line =
        asked.action == vok::CommandLine::Action::PrintHelp ? vok::HelpLine() : vok::VersionLine();
    std::printf("%s\n", line.c_str());
    return 0;
  }
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
  // Read again without the options Qt has taken for itself (-platform, -style, ...).
  const vok::CommandLine commandLine = Parse(argc, argv);

  const vok::Workspace workspace = vok::ChooseWorkspace(
      vok::PathFromUtf8(QCoreApplication::applicationDirPath().toStdString()),
      vok::PathFromUtf8(
          QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString()),
      vok::ScriptDialect::Posix);
  vok::Form1Window window(workspace);
  window.show();
  QTimer::singleShot(0, &window, [&window, &commandLine] { window.Start(commandLine); });
  return QApplication::exec();
}
