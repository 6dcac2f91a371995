#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>

#include "app/controls.h"
#include "app/form1.h"

namespace vok {

// How a control takes part in the window's rules besides its place.
enum ControlRule : unsigned {
  kNoRule = 0,
  kDisabledDuringRun = 1,  // a run disables it: it would start another run
  kTakesTyping = 2,        // a text box whose typed text the handlers read
};

// One control of the main window: what it is, where it stands, when it shows, where the
// keyboard focus visits it, what a click on it does and which rules it follows. Both front ends
// create and wire their controls from this table alone.
struct ControlLayout {
  Control id;
  ControlKind kind;
  std::string_view name;
  std::string_view text;         // caption or tooltip; for the tab strip, its tabs separated by '|'
  int left, top, width, height;  // twips, relative to the client area
  Tab tab;
  bool visibleAtStart;
  int focusOrder;            // labels hold a place but never take the focus
  void (Form1::*onClick)();  // the handler of a click (for the tab strip: of a change of tab)
  unsigned rules;

  [[nodiscard]] constexpr bool disabledDuringRun() const { return rules & kDisabledDuringRun; }
  [[nodiscard]] constexpr bool takesTyping() const { return rules & kTakesTyping; }
  [[nodiscard]] constexpr bool takesFocus() const { return kind != ControlKind::Label; }
};

// What assistive technology (a screen reader, voice control) tells of a control that takes the
// focus where its caption does not say it: the four "..." buttons, the text boxes, the list, the
// tab strip and the donation picture.
struct ControlAccess {
  Control id;
  std::string_view name;         // empty: the text of `label`, else the caption
  std::optional<Control> label;  // the label that names a text box, its buddy
  std::string_view description;  // what it does, where its name alone leaves it open
};

inline constexpr std::string_view kWindowCaption = "VOK/TEMO Vozare";
inline constexpr int kClientWidthTwips = 4395;
inline constexpr int kClientHeightTwips = 4560;
inline constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch
// The donation picture, in pixels at 96 dots per inch.
inline constexpr int kPictureWidth = 110;
inline constexpr int kPictureHeight = 23;

inline constexpr std::string_view kOpenDialogTitle = "Open VOK/TEMO File";
inline constexpr std::string_view kOpenDialogFilter =
    "VOK/TEMO Files|*.vok;*.temo|VOK Files|*.vok|TEMO Files|*.temo";
inline constexpr std::string_view kSelectFolderTitle = "Select the directory...";

namespace layout_table {
using enum Control;
using enum ControlKind;
using F = Form1;

// The window's controls in creation order.
inline constexpr std::array<ControlLayout, 22> kFormLayout{{
    {TabStrip1, TabStrip, "TabStrip1", "View|Unpack|Create", 0, 0, 2655, 375, Tab::All, true, 3,
     &F::TabStrip1_Click, kNoRule},
    {View1, Label, "View1", "Select the VOK/TEMO file to view", 120, 480, 3375, 255, Tab::View,
     true, 7, nullptr, kNoRule},
    {txtVokFile, TextBox, "txtVokFile", "", 120, 720, 3375, 285, Tab::View, true, 0, nullptr,
     kNoRule},
    {cmdOpen, Button, "cmdOpen", "...", 3593, 720, 615, 285, Tab::View, true, 1, &F::cmdOpen_Click,
     kDisabledDuringRun},
    {List1, ListBox, "List1", "", 113, 1080, 4095, 2955, Tab::View, true, 2, nullptr, kNoRule},
    {Unpack2, Label, "Unpack2", "Source (VOK/TEMO file to extract)", 120, 480, 3735, 255,
     Tab::Unpack, false, 12, nullptr, kNoRule},
    {txtSource, TextBox, "txtSource", "", 120, 720, 3375, 285, Tab::Unpack, false, 4, nullptr,
     kNoRule},
    {cmdSourceOpen, Button, "cmdSourceOpen", "...", 3600, 720, 615, 285, Tab::Unpack, false, 11,
     &F::cmdSourceOpen_Click, kNoRule},
    {Unpack1, Label, "Unpack1", "Extraction destination", 120, 1200, 3735, 255, Tab::Unpack, false,
     8, nullptr, kNoRule},
    {txtDest, TextBox, "txtDest", "", 120, 1440, 3375, 285, Tab::Unpack, false, 5, nullptr,
     kTakesTyping},
    {cmdDestOpen, Button, "cmdDestOpen", "...", 3600, 1440, 615, 285, Tab::Unpack, false, 6,
     &F::cmdDestOpen_Click, kNoRule},
    {cmdExtract, Button, "cmdExtract", "Extract", 120, 1800, 975, 255, Tab::Unpack, false, 9,
     &F::cmdExtract_Click, kDisabledDuringRun},
    {cmdClear, Button, "cmdClear", "Clear", 2520, 1800, 975, 255, Tab::Unpack, false, 10,
     &F::cmdClear_Click, kNoRule},
    {create1, Label, "create1", "Source (Directory containing your files)", 120, 480, 3735, 255,
     Tab::Create, false, 15, nullptr, kNoRule},
    {txtCrSource, TextBox, "txtCrSource", "", 120, 720, 3375, 285, Tab::Create, false, 14, nullptr,
     kTakesTyping},
    {cmdCDir, Button, "cmdCDir", "...", 3600, 720, 615, 285, Tab::Create, false, 13,
     &F::cmdCDir_Click, kNoRule},
    {create2, Label, "create2", "Destination (temo format recommended)", 120, 1200, 3735, 255,
     Tab::Create, false, 17, nullptr, kNoRule},
    {txtCrDest, TextBox, "txtCrDest", "", 120, 1440, 3375, 285, Tab::Create, false, 16, nullptr,
     kNoRule},
    {cmdCrDest, Button, "cmdCrDest", "...", 3600, 1440, 615, 285, Tab::Create, false, 20,
     &F::cmdCrDest_Click, kNoRule},
    {cmdCreate, Button, "cmdCreate", "Create", 120, 1800, 975, 255, Tab::Create, false, 19,
     &F::cmdCreate_Click, kDisabledDuringRun},
    {cmdCClear, Button, "cmdCClear", "Clear", 2520, 1800, 975, 255, Tab::Create, false, 18,
     &F::cmdCClear_Click, kNoRule},
    {Command1, PictureButton, "Command1", "Help feed a hungry programmer...", 0, 4080, 4455, 495,
     Tab::All, true, 21, &F::Command1_Click, kNoRule},
}};

// The order in which tab switching sets the visibility of the group controls.
inline constexpr std::array<Control, 20> kSwitchOrder{
    txtVokFile,  List1,     cmdOpen, View1,      Unpack1,   Unpack2,   cmdSourceOpen,
    cmdDestOpen, txtSource, txtDest, cmdExtract, cmdClear,  create1,   create2,
    txtCrSource, txtCrDest, cmdCDir, cmdCreate,  cmdCClear, cmdCrDest,
};

inline constexpr std::array<ControlAccess, 17> kControlAccess{{
    {TabStrip1, "View, Unpack or Create", {}, ""},
    {txtVokFile, "", View1, ""},
    {cmdOpen, "Choose the archive to view", {}, ""},
    {List1, "Files in the archive", {}, ""},
    {txtSource, "", Unpack2, ""},
    {cmdSourceOpen, "Choose the archive to extract", {}, ""},
    {txtDest, "", Unpack1, ""},
    {cmdDestOpen, "Choose the destination folder", {}, ""},
    {cmdExtract, "", {}, "Extracts the archive into the destination folder"},
    {cmdClear, "", {}, "Empties the archive and the destination"},
    {txtCrSource, "", create1, ""},
    {cmdCDir, "Choose the folder to pack", {}, ""},
    {txtCrDest, "", create2, ""},
    {cmdCrDest, "Choose the archive to create", {}, ""},
    {cmdCreate, "", {}, "Packs the folder into the archive"},
    {cmdCClear, "", {}, "Empties the folder and the archive"},
    {Command1, "Make a Donation", {}, ""},
}};
}  // namespace layout_table

using layout_table::kControlAccess;
using layout_table::kFormLayout;
using layout_table::kSwitchOrder;

constexpr const ControlLayout& LayoutOf(Control c) {
  return kFormLayout[static_cast<std::size_t>(c)];
}

// Every control, in the keyboard focus order.
inline constexpr std::array<Control, kFormLayout.size()> kFocusOrder = [] {
  std::array<Control, kFormLayout.size()> order{};
  std::transform(kFormLayout.begin(), kFormLayout.end(), order.begin(),
                 [](const ControlLayout& layout) { return layout.id; });
  std::sort(order.begin(), order.end(),
            [](Control a, Control b) { return LayoutOf(a).focusOrder < LayoutOf(b).focusOrder; });
  return order;
}();

// What a screen reader calls a control: its name in kControlAccess, else its label's text, else
// its caption.
constexpr std::string_view AccessibleName(Control c) {
  for (const ControlAccess& access : kControlAccess) {
    if (access.id != c) continue;
    if (access.label) return LayoutOf(*access.label).text;
    if (!access.name.empty()) return access.name;
  }
  return LayoutOf(c).text;
}

// What a screen reader says of a control after its name: its description in kControlAccess, else
// for the donation picture its tooltip.
constexpr std::string_view AccessibleDescription(Control c) {
  for (const ControlAccess& access : kControlAccess) {
    if (access.id == c && !access.description.empty()) return access.description;
  }
  return LayoutOf(c).kind == ControlKind::PictureButton ? LayoutOf(c).text : std::string_view();
}

// The label that names a text box, if any.
constexpr std::optional<Control> LabelOf(Control c) {
  for (const ControlAccess& access : kControlAccess) {
    if (access.id == c) return access.label;
  }
  return std::nullopt;
}

// The first control of `tab` in the focus order: where the focus goes when the tab is chosen
// from the keyboard.
constexpr Control FirstFocus(Tab tab) {
  for (Control c : kFocusOrder) {
    if (LayoutOf(c).tab == tab && LayoutOf(c).takesFocus()) return c;
  }
  return Control::TabStrip1;
}

// The donation button shows its picture, dark letters on a light face, where the theme's buttons
// are light too and the system asks for no high contrast; elsewhere its name as text in the
// theme's own colours. `faceLightness` is the buttons' face from 0 (black) to 255 (white).
constexpr bool ShowsDonationPicture(bool highContrast, int faceLightness) {
  return !highContrast && faceLightness >= 128;
}

// What a front end measures with the window's font, in its own pixels.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  [[nodiscard]] virtual double TextWidth(std::string_view text) const = 0;
  [[nodiscard]] virtual double LineHeight() const = 0;
  // The room the tab strip's row of tabs takes.
  [[nodiscard]] virtual double TabStripWidth() const = 0;
  [[nodiscard]] virtual double TabStripHeight() const = 0;
};

// The factor by which the layout grows so that every control's text fits in the measured font:
// labels their text, buttons their caption with a margin, text boxes one line. `pixelsPerTwip`
// is the front end's pixels per twip at the factor 1, `unit` its pixels in one pixel at 96 dots
// per inch. The factor grows in steps of 5 %, which keep the grid even.
double FitScale(const TextMeasure& measure, double pixelsPerTwip, double unit);

struct PixelRect {
  int left, top, right, bottom;
  [[nodiscard]] int width() const { return right - left; }
  [[nodiscard]] int height() const { return bottom - top; }
};

inline int ToPixels(int twips, double pixelsPerTwip) {
  return static_cast<int>(std::lround(twips * pixelsPerTwip));
}

// A control's place, with `pixelsPerTwip` the front end's pixels per twip at its scale. Edges
// are rounded, so that controls that meet in twips meet in pixels.
inline PixelRect Place(const ControlLayout& layout, double pixelsPerTwip) {
  return {ToPixels(layout.left, pixelsPerTwip), ToPixels(layout.top, pixelsPerTwip),
          ToPixels(layout.left + layout.width, pixelsPerTwip),
          ToPixels(layout.top + layout.height, pixelsPerTwip)};
}

}  // namespace vok
