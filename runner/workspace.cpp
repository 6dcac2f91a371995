#include "runner/workspace.h"

#include <random>
#include <system_error>

#include "common/files.h"

namespace vok {

namespace {

bool CanWriteIn(const std::filesystem::path& directory) {
  std::random_device random;
  // A folder of the probe's name can be made exactly where files can be written.
  const auto probe = directory / PathFromUtf8(".vokruzeru-probe-" + std::to_string(random()));
  std::error_code error;
  if (!files::MakeFolder(probe, error)) return false;
  files::Remove(probe, error);
  return true;
}

}  // namespace

Workspace ChooseWorkspace(const std::filesystem::path& programDirectory,
                          const std::filesystem::path& perUserDirectory, ScriptDialect dialect,
                          bool installedCopy) {
  Workspace workspace{programDirectory, programDirectory, dialect};
  if (installedCopy || !CanWriteIn(programDirectory)) {
    std::error_code ignored;  // a directory that cannot be made shows when the script is written
    files::MakeFolders(perUserDirectory, ignored);
    workspace.scriptDirectory = perUserDirectory;
  }
  return workspace;
}

}  // namespace vok
