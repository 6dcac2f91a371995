#pragma once

#include <array>
#include <string_view>

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

struct ControlLayout {
  Control id;
  ControlKind kind;
  std::string_view name;
  std::string_view text;         // caption or tooltip; for the tab strip, its tabs separated by '|'
  int left, top, width, height;  // twips, relative to the client area
  Tab tab;
  bool visibleAtStart;
  int focusOrder;
};

inline constexpr std::string_view kWindowCaption = "VOK/TEMO Vozare";
inline constexpr int kClientWidthTwips = 4395;
inline constexpr int kClientHeightTwips = 4560;
inline constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch

inline constexpr std::string_view kOpenDialogTitle = "Open VOK/TEMO File";
inline constexpr std::string_view kOpenDialogFilter =
    "VOK/TEMO Files|*.vok;*.temo|VOK Files|*.vok|TEMO Files|*.temo";
inline constexpr std::string_view kSelectFolderTitle = "Select the directory...";

namespace layout_table {
using enum Control;
using enum ControlKind;

// The window's controls in creation order.
inline constexpr std::array<ControlLayout, 22> kFormLayout{{
    {TabStrip1, TabStrip, "TabStrip1", "View|Unpack|Create", 0, 0, 2655, 375, Tab::All, true, 3},
    {View1, Label, "View1", "Select the VOK/TEMO file to view", 120, 480, 3375, 255, Tab::View,
     true, 7},
    {txtVokFile, TextBox, "txtVokFile", "", 120, 720, 3375, 285, Tab::View, true, 0},
    {cmdOpen, Button, "cmdOpen", "...", 3593, 720, 615, 285, Tab::View, true, 1},
    {List1, ListBox, "List1", "", 113, 1080, 4095, 2955, Tab::View, true, 2},
    {Unpack2, Label, "Unpack2", "Source (VOK/TEMO file to extract)", 120, 480, 3735, 255,
     Tab::Unpack, false, 12},
    {txtSource, TextBox, "txtSource", "", 120, 720, 3375, 285, Tab::Unpack, false, 4},
    {cmdSourceOpen, Button, "cmdSourceOpen", "...", 3600, 720, 615, 285, Tab::Unpack, false, 11},
    {Unpack1, Label, "Unpack1", "Extraction destination", 120, 1200, 3735, 255, Tab::Unpack, false,
     8},
    {txtDest, TextBox, "txtDest", "", 120, 1440, 3375, 285, Tab::Unpack, false, 5},
    {cmdDestOpen, Button, "cmdDestOpen", "...", 3600, 1440, 615, 285, Tab::Unpack, false, 6},
    {cmdExtract, Button, "cmdExtract", "Extract", 120, 1800, 975, 255, Tab::Unpack, false, 9},
    {cmdClear, Button, "cmdClear", "Clear", 2520, 1800, 975, 255, Tab::Unpack, false, 10},
    {create1, Label, "create1", "Source (Directory containing your files)", 120, 480, 3735, 255,
     Tab::Create, false, 15},
    {txtCrSource, TextBox, "txtCrSource", "", 120, 720, 3375, 285, Tab::Create, false, 14},
    {cmdCDir, Button, "cmdCDir", "...", 3600, 720, 615, 285, Tab::Create, false, 13},
    {create2, Label, "create2", "Destination (temo format recommended)", 120, 1200, 3735, 255,
     Tab::Create, false, 17},
    {txtCrDest, TextBox, "txtCrDest", "", 120, 1440, 3375, 285, Tab::Create, false, 16},
    {cmdCrDest, Button, "cmdCrDest", "...", 3600, 1440, 615, 285, Tab::Create, false, 20},
    {cmdCreate, Button, "cmdCreate", "Create", 120, 1800, 975, 255, Tab::Create, false, 19},
    {cmdCClear, Button, "cmdCClear", "Clear", 2520, 1800, 975, 255, Tab::Create, false, 18},
    {Command1, PictureButton, "Command1", "Help feed a hungry programmer...", 0, 4080, 4455, 495,
     Tab::All, true, 21},
}};

// The order in which tab switching sets the visibility of the group controls.
inline constexpr std::array<Control, 20> kSwitchOrder{
    txtVokFile,  List1,     cmdOpen, View1,      Unpack1,   Unpack2,   cmdSourceOpen,
    cmdDestOpen, txtSource, txtDest, cmdExtract, cmdClear,  create1,   create2,
    txtCrSource, txtCrDest, cmdCDir, cmdCreate,  cmdCClear, cmdCrDest,
};
}  // namespace layout_table

using layout_table::kFormLayout;
using layout_table::kSwitchOrder;

constexpr const ControlLayout& LayoutOf(Control c) {
  return kFormLayout[static_cast<std::size_t>(c)];
}

}  // namespace vok
