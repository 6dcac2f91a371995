#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/text.h"

namespace vok {

// How the script that runs one command line is written and how paths are quoted in it:
// for /bin/sh, or for the Windows command interpreter.
enum class ScriptDialect { Posix, Cmd };

inline constexpr std::string_view kToolName = "VOKMaker2.exe";
inline constexpr std::string_view kViewScript = "View.bat";
inline constexpr std::string_view kExtractScript = "Extract.bat";
inline constexpr std::string_view kCreateScript = "Create.bat";
// One name serves both for the tool's redirected output and for reading it back, so that a
// file system that tells letter case apart finds the same file.
inline constexpr std::string_view kListingName = "VOKView.txt";
// Held by the copy of the program at work in the scripts folder.
inline constexpr std::string_view kLockName = ".vokruzeru.lock";

// Where the program finds the archive tool and where it writes its scripts and the listing.
struct Workspace {
  std::filesystem::path programDirectory;  // holds the program and the archive tool
  std::filesystem::path scriptDirectory;   // the program's directory, or a per-user one
  ScriptDialect dialect = ScriptDialect::Posix;

  [[nodiscard]] std::filesystem::path Tool() const {
    return programDirectory / PathFromUtf8(kToolName);
  }
  [[nodiscard]] std::filesystem::path File(std::string_view name) const {
    return scriptDirectory / PathFromUtf8(name);
  }
};

// Scripts go beside the program when its directory can be written to; otherwise, and always
// for a copy that an installer put in place (whose uninstaller removes only the files it
// installed), into `perUserDirectory`, created when missing.
Workspace ChooseWorkspace(const std::filesystem::path& programDirectory,
                          const std::filesystem::path& perUserDirectory, ScriptDialect dialect,
                          bool installedCopy = false);

}  // namespace vok
