#include "app/form1.h"
#include "app/form_layout.h"
#include "runner/tool_commands.h"

namespace vok {

void Form1::cmdCDir_Click() {
  strSelectedFolder = mod_SelectFolder::SelectFolder(platform_.folders, kSelectFolderTitle);
  if (!strSelectedFolder.empty()) view_.SetText(Control::txtCrSource, strSelectedFolder);
}

void Form1::cmdCrDest_Click() {
  if (!dlgOpen.ShowOpen()) return;
  view_.SetText(Control::txtCrDest, dlgOpen.FileName());
  strArchive = strCreateArchive = dlgOpen.FileName();
}

void Form1::cmdCreate_Click() {
  RunOperation([this] {
    const std::string source = view_.Text(Control::txtCrSource);
    if (source.empty()) {
      throw OperationError(
          "Choose the folder to pack first, with the \"...\" button beside the "
          "source.");
    }
    if (strCreateArchive.empty()) {
      throw OperationError(
          "Choose the archive to create first, with the \"...\" button beside "
          "the destination.");
    }
    strCommand = CreateCommand(workspace_, source, strCreateArchive);
    // The script stays: it holds the last create command until the next Create replaces it.
    const ScriptRun run = RunScript(kCreateScript, WindowMode::Maximized, AfterRun::KeepScript);
    CheckToolRun(run, workspace_, "create the archive " + strCreateArchive + " from " + source);
  });
}

void Form1::cmdCClear_Click() {
  view_.SetText(Control::txtCrSource, "");
  view_.SetText(Control::txtCrDest, "");
  strCreateArchive.clear();
}

}  // namespace vok
