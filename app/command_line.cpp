#include "app/command_line.h"

#include <algorithm>

#include "common/files.h"
#include "common/text.h"

#ifndef VOK_VERSION
#define VOK_VERSION "unknown"
#endif

namespace vok {

namespace {

// A long list of names, as `vokruzeru *` gives, is cut short: the count tells the rest.
std::string FirstNames(const std::vector<std::string>& names) {
  constexpr std::size_t kShown = 3;
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kShown; ++i) {
    text += (i == 0 ? "\"" : ", \"") + names[i] + "\"";
  }
  if (names.size() > kShown) text += ", ...";
  return text;
}

// Something of that name is on the disk, relative to the working directory.
bool Names(const std::string& argument) {
  return files::KindAt(PathFromUtf8(argument)) != files::FileKind::kNothing;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  std::vector<std::string> files;
  std::string unknownOption;
  bool options = true;
  for (const std::string& argument : arguments) {
    if (options && argument == "--") {
      options = false;
    } else if (options && argument == "--help") {
      return {CommandLine::Action::PrintHelp, {}, {}};
    } else if (options && argument == "--version") {
      return {CommandLine::Action::PrintVersion, {}, {}};
    } else if (options && argument.size() > 1 && argument.front() == '-' && !Names(argument)) {
      if (unknownOption.empty()) unknownOption = argument;
    } else {
      files.emplace_back(argument);
    }
  }
  const bool emptyName = std::find(files.begin(), files.end(), "") != files.end();
  if (!unknownOption.empty()) {
    result.problem = "The program was started with the unknown option \"" + unknownOption +
                     "\". It takes the name of one archive, or --help or --version.";
  } else if (emptyName) {
    result.problem = "The program was started with an empty file name.";
  } else if (files.size() > 1) {
    result.problem = "The program opens one archive at a time, and was started with " +
                     std::to_string(files.size()) + ": " + FirstNames(files) +
                     ". Choose one with the \"...\" button.";
  } else if (files.size() == 1) {
    result.archive = files.front();
  }
  return result;
}

std::string HelpLine() {
  return "Usage: vokruzeru [ARCHIVE]  - lists ARCHIVE (a .vok or .temo file) in the VOK/TEMO "
         "Vozare window";
}

std::string VersionLine() { return std::string("vokruzeru ") + VOK_VERSION; }

}  // namespace vok
