#include "app/form1.h"
#include "app/form_layout.h"
#include "runner/tool_commands.h"

namespace vok {

void Form1::cmdSourceOpen_Click() {
  if (!dlgOpen.ShowOpen()) return;
  view_.SetText(Control::txtSource, dlgOpen.FileTitle());
  strArchive = strUnpackArchive = dlgOpen.FileName();
}

void Form1::cmdDestOpen_Click() {
  strSelectedFolder = mod_SelectFolder::SelectFolder(platform_.folders, kSelectFolderTitle);
  if (!strSelectedFolder.empty()) view_.SetText(Control::txtDest, strSelectedFolder);
}

void Form1::cmdExtract_Click() {
  RunOperation([this] {
    const std::string destination = view_.Text(Control::txtDest);
    if (strUnpackArchive.empty()) {
      throw OperationError(
          "Choose the archive to extract first, with the \"...\" button beside "
          "the source.");
    }
    if (destination.empty()) {
      throw OperationError(
          "Choose the folder to extract into first, with the \"...\" button "
          "beside the destination.");
    }
    strCommand = ExtractCommand(workspace_, strUnpackArchive, destination);
    const ScriptRun run = RunScript(kExtractScript, WindowMode::Maximized, AfterRun::RemoveScript);
    CheckToolRun(run, workspace_,
                 "extract the archive " + strUnpackArchive + " into " + destination);
  });
}

void Form1::cmdClear_Click() {
  view_.SetText(Control::txtSource, "");
  view_.SetText(Control::txtDest, "");
  strArchive.clear();
  strUnpackArchive.clear();
}

}  // namespace vok
