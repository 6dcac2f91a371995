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

}  // namespace

int main(int argc, char* argv[]) {
  // Every argument is the program's: Qt takes its options (-platform, -style, -reverse...) from
  // the command line before anyone else reads it, and would take archive names for them.
  const vok::CommandLine commandLine =
      vok::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  // --help and --version answer on the terminal, with or without a display.
  if (commandLine.action != vok::CommandLine::Action::OpenWindow) {
    const std::string line = commandLine.action == vok::CommandLine::Action::PrintHelp
                                 ? vok::HelpLine()
                                 : vok::VersionLine();
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
  // Qt gets the program's name only; its settings come from the environment (QT_QPA_PLATFORM,
  // QT_STYLE_OVERRIDE, QT_SCALE_FACTOR...).
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  QApplication::setApplicationName(QStringLiteral("vokruzeru"));
  QApplication::setQuitOnLastWindowClosed(false);

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
