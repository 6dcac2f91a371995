#pragma once

#include <string>
#include <vector>

namespace vok {

// What the program was started with: `vokruzeru [ARCHIVE]`, or `--help` or `--version`,
// which print one line and open no window.
struct CommandLine {
  enum class Action { OpenWindow, PrintHelp, PrintVersion };
  Action action = Action::OpenWindow;
  std::string archive;  // to list on the View tab at start; empty for none
  std::string problem;  // why the arguments were not used, told once the window is up
};

// `arguments` are those after the program's name, in UTF-8. "--" ends the options, so that
// `vokruzeru -- -odd.vok` names a file; so does `vokruzeru -odd.vok` where that file exists.
// --help and --version are always options.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The lines that --help and --version print.
std::string HelpLine();
std::string VersionLine();

}  // namespace vok
