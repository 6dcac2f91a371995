#include "runner/tool_commands.h"

#include "runner/quoting.h"

namespace vok {

namespace {

std::string Quoted(const Workspace& workspace, std::string_view text) {
  return QuoteArgument(text, workspace.dialect);
}

std::string QuotedTool(const Workspace& workspace) {
  return Quoted(workspace, Utf8(workspace.Tool()));
}

}  // namespace

std::string ViewCommand(const Workspace& workspace, std::string_view archive) {
  std::string command = QuotedTool(workspace);
  command += " -v ";
  command += Quoted(workspace, archive);
  command += " > ";
  command += Quoted(workspace, Utf8(workspace.File(kListingName)));
  return command;
}

std::string ExtractCommand(const Workspace& workspace, std::string_view archive,
                           std::string_view destination) {
  std::string command = QuotedTool(workspace);
  command += " -x ";
  command += Quoted(workspace, archive);
  command += " ";
  command += Quoted(workspace, destination);
  return command;
}

std::string CreateCommand(const Workspace& workspace, std::string_view source,
                          std::string_view archive) {
  std::string command = QuotedTool(workspace);
  command += " -a -p ";
  command += Quoted(workspace, source);
  command += " ";
  command += Quoted(workspace, archive);
  return command;
}

}  // namespace vok
