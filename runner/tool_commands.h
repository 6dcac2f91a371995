#pragma once

#include <string>
#include <string_view>

#include "runner/workspace.h"

namespace vok {

// The archive tool's three command lines. Every path is quoted once, here.

// tool -v ARCHIVE > LISTING
std::string ViewCommand(const Workspace& workspace, std::string_view archive);
// tool -x ARCHIVE DESTINATION
std::string ExtractCommand(const Workspace& workspace, std::string_view archive,
                           std::string_view destination);
// tool -a -p SOURCE ARCHIVE
std::string CreateCommand(const Workspace& workspace, std::string_view source,
                          std::string_view archive);

}  // namespace vok
