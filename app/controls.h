#pragma once

namespace vok {

// Every control of the main window. The enumerator is the control's name.
enum class Control {
  TabStrip1,
  View1,
  txtVokFile,
  cmdOpen,
  List1,
  Unpack2,
  txtSource,
  cmdSourceOpen,
  Unpack1,
  txtDest,
  cmdDestOpen,
  cmdExtract,
  cmdClear,
  create1,
  txtCrSource,
  cmdCDir,
  create2,
  txtCrDest,
  cmdCrDest,
  cmdCreate,
  cmdCClear,
  Command1,
};

enum class ControlKind { TabStrip, Label, TextBox, Button, ListBox, PictureButton };

// The tab whose group holds a control; All for the controls every tab shows.
enum class Tab { All = 0, View = 1, Unpack = 2, Create = 3 };

}  // namespace vok
