#include "app/form1_win.h"

#include <commctrl.h>
#include <shellapi.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/accessible_win.h"
#include "app/console_win.h"
#include "app/dpi_win.h"
#include "app/message_loop_win.h"
#include "app/messages_win.h"
#include "app/picture_win.h"
#include "app/resources/resources_win.h"
#include "common/text_win.h"
#include "runner/own_files_win.h"
#include "runner/process_win.h"
#include "runner/workspace_lock_win.h"
#include "shell/file_prompt_win.h"
#include "shell/link_launcher_win.h"
#include "shell/select_folder_win.h"

namespace vok {

namespace {

constexpr wchar_t kWindowClass[] = L"VOKRuzeruForm1";
constexpr int kFirstControlId = 1000;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;

std::size_t IndexOf(Control c) { return static_cast<std::size_t>(c); }

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::TabStrip:
      return WC_TABCONTROLW;
    case ControlKind::Label:
      return WC_STATICW;
    case ControlKind::TextBox:
      return WC_EDITW;
    case ControlKind::ListBox:
      return WC_LISTBOXW;
    case ControlKind::Button:
    case ControlKind::PictureButton:
      return WC_BUTTONW;
  }
  return WC_STATICW;
}

DWORD StyleOf(const ControlLayout& layout) {
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (layout.visibleAtStart ? WS_VISIBLE : 0);
  switch (layout.kind) {
    case ControlKind::TabStrip:
      return style | WS_TABSTOP;
    case ControlKind::Label:
      return style | SS_LEFT | SS_NOPREFIX;
    case ControlKind::TextBox:
      return style | WS_TABSTOP | ES_AUTOHSCROLL | (layout.takesTyping() ? 0 : ES_READONLY);
    case ControlKind::ListBox:
      return style | WS_TABSTOP | VirtualListBox::kStyle;
    case ControlKind::Button:
      return style | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::PictureButton:
      return style | WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP;
  }
  return style;
}

// The window's font, measured in device pixels.
class WinTextMeasure : public TextMeasure {
 public:
  WinTextMeasure(HWND window, HFONT font, HWND tabs, UINT dpi) : window_(window) {
    dc_ = GetDC(window);
    previous_ = SelectObject(dc_, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_, &metrics);
    line_ = metrics.tmHeight;
    RECT last{};
    const auto count = SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(count - 1),
                 reinterpret_cast<LPARAM>(&last));
    const double unit = dpi / 96.0;
    tabs_ = {last.right + 2 * unit, last.bottom + 2 * unit};
  }
  ~WinTextMeasure() override {
    SelectObject(dc_, previous_);
    ReleaseDC(window_, dc_);
  }
  WinTextMeasure(const WinTextMeasure&) = delete;
  WinTextMeasure& operator=(const WinTextMeasure&) = delete;

  double TextWidth(std::string_view text) const override {
    const std::wstring wide = Wide(text);
    SIZE extent{};
    GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &extent);
    return extent.cx;
  }
  double LineHeight() const override { return line_; }
  double TabStripWidth() const override { return tabs_.first; }
  double TabStripHeight() const override { return tabs_.second; }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ previous_;
  double line_;
  std::pair<double, double> tabs_;
};

}  // namespace

struct Form1Window::Owned {
  explicit Owned(Form1Window* owner)
      : files(owner->hwnd()),
        folders(owner->hwnd()),
        consoles([owner] { owner->form().StopRun(); }),
        processes(&consoles),
        messages(owner->hwnd()) {}
  WinFilePrompt files;
  WinFolderPrompt folders;
  WinLinkLauncher links;
  WinConsoleHost consoles;
  WinProcesses processes;
  WinWorkspaceLock lock;
  WinMessages messages;
  WinOwnFiles ownFiles;
};

Form1Window::Form1Window(const Workspace& workspace, const Services& services, bool quitWhenClosed)
    : quitWhenClosed_(quitWhenClosed) {
  const INITCOMMONCONTROLSEX commonControls{
      sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&commonControls);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  windowClass.hIcon =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VOKRUZERU), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VOKRUZERU),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  RegisterClassExW(&windowClass);  // fails harmlessly when a second window registers it again

  CreateWindowExW(kWindowExStyle, kWindowClass, Wide(kWindowCaption).c_str(), kWindowStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                  instance, this);
  if (!hwnd_) throw std::runtime_error("The main window could not be created.");

  owned_ = std::make_unique<Owned>(this);
  form_ = std::make_unique<Form1>(
      services.Over(Platform{*this, owned_->files, owned_->folders, owned_->processes, *this,
                             owned_->links, owned_->lock, owned_->messages, owned_->ownFiles}),
      workspace);
  CreateControls();
  ApplyDpi(DpiOf(hwnd_));
}

Form1Window::~Form1Window() {
  if (IsWindow(hwnd_)) {
    quitWhenClosed_ = false;
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
  if (picture_) DeleteObject(picture_);
}

HWND Form1Window::control(Control c) const { return controls_[IndexOf(c)]; }

void Form1Window::CreateControl(Control c) {
  const ControlLayout& layout = LayoutOf(c);
  const bool framed = layout.kind == ControlKind::TextBox || layout.kind == ControlKind::ListBox;
  std::wstring text;
  if (layout.kind == ControlKind::Label || layout.kind == ControlKind::Button) {
    text = Wide(layout.text);
  } else if (layout.kind == ControlKind::PictureButton) {
    text = Wide(AccessibleName(c));  // shown where the picture is not
  }
  const HWND hwnd = CreateWindowExW(
      framed ? WS_EX_CLIENTEDGE : 0, ClassOf(layout.kind), text.c_str(), StyleOf(layout), 0, 0, 0,
      0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + IndexOf(c))),
      GetModuleHandleW(nullptr), nullptr);
  controls_[IndexOf(c)] = hwnd;
  if (layout.takesFocus()) {
    NameControl(hwnd, Wide(AccessibleName(c)), Wide(AccessibleDescription(c)));
  }
}

void Form1Window::CreateControls() {
  // Creation order is the keyboard focus order. A text box's label comes right before it, where
  // screen readers look for it.
  for (Control c : kFocusOrder) {
    const bool namesABox = std::any_of(kControlAccess.begin(), kControlAccess.end(),
                                       [c](const ControlAccess& a) { return a.label == c; });
    if (namesABox) continue;
    if (const auto label = LabelOf(c)) CreateControl(*label);
    CreateControl(c);
  }
  // The focus shows from the start, not only once the keyboard has been used.
  SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);

  const HWND tabs = control(Control::TabStrip1);
  const std::wstring tabTexts = Wide(LayoutOf(Control::TabStrip1).text);
  std::size_t start = 0;
  for (int index = 0; start <= tabTexts.size(); ++index) {
    const std::size_t end = std::min(tabTexts.find(L'|', start), tabTexts.size());
    std::wstring caption = tabTexts.substr(start, end - start);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    start = end + 1;
  }

  list_.Attach(control(Control::List1));

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const HWND donate = control(Control::Command1);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                             nullptr, instance, nullptr);
  std::wstring tip = Wide(LayoutOf(Control::Command1).text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(donate);
  tool.lpszText = tip.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Form1Window::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  SetFonts();
  PlaceControls();
  list_.SetFont(font_, dpi_);
  LoadDonationPicture();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form1Window::SetFonts() {
  const HFONT oldFont = font_;
  font_ = MessageFont(dpi_);
  for (HWND child : controls_) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (oldFont) DeleteObject(oldFont);
}

void Form1Window::PlaceControls() {
  scale_ = FitScale(WinTextMeasure(hwnd_, font_, control(Control::TabStrip1), dpi_), dpi_ / 1440.0,
                    dpi_ / 96.0);
  const double pixelsPerTwip = dpi_ * scale_ / 1440.0;
  for (const ControlLayout& layout : kFormLayout) {
    const PixelRect place = Place(layout, pixelsPerTwip);
    SetWindowPos(control(layout.id), nullptr, place.left, place.top, place.width(), place.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The tabs fill the strip: below them there is no pane, only the group's controls.
  const PixelRect strip = Place(LayoutOf(Control::TabStrip1), pixelsPerTwip);
  SendMessageW(control(Control::TabStrip1), TCM_SETITEMSIZE, 0,
               MAKELPARAM(0, strip.height() - std::lround(2 * dpi_ / 96.0)));
  const SIZE window = WindowSizeFor(
      {ToPixels(kClientWidthTwips, pixelsPerTwip), ToPixels(kClientHeightTwips, pixelsPerTwip)},
      kWindowStyle, kWindowExStyle, dpi_);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.cx, window.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::LoadDonationPicture() {
  const HBITMAP oldPicture = picture_;
  HIGHCONTRASTW contrast{sizeof contrast, 0, nullptr};
  SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const int lightness = (std::max({GetRValue(face), GetGValue(face), GetBValue(face)}) +
                         std::min({GetRValue(face), GetGValue(face), GetBValue(face)})) /
                        2;
  const HWND donate = control(Control::Command1);
  picture_ = nullptr;
  if (ShowsDonationPicture((contrast.dwFlags & HCF_HIGHCONTRASTON) != 0, lightness)) {
    const double pixels = dpi_ * scale_ / 96.0;
    picture_ = LoadPicture(IDR_DONATE, static_cast<int>(std::lround(kPictureWidth * pixels)),
                           static_cast<int>(std::lround(kPictureHeight * pixels)));
  }
  // Without a picture the button shows its window text, in the system's colours.
  const LONG_PTR style = GetWindowLongPtrW(donate, GWL_STYLE);
  SetWindowLongPtrW(donate, GWL_STYLE, picture_ ? style | BS_BITMAP : style & ~BS_BITMAP);
  SendMessageW(donate, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
  InvalidateRect(donate, nullptr, TRUE);
  if (oldPicture) DeleteObject(oldPicture);
}

LRESULT CALLBACK Form1Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Form1Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return self ? self->OnMessage(message, wParam, lParam)
              : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Form1Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      // Escape, turned into IDCANCEL by the dialog keyboard handling of the message loop.
      if (LOWORD(wParam) == IDCANCEL && form_) {
        form_->EscapePressed();
        return 0;
      }
      const int index = LOWORD(wParam) - kFirstControlId;
      if (HIWORD(wParam) != BN_CLICKED || !form_ || index < 0 ||
          index >= static_cast<int>(std::size(kFormLayout))) {
        break;
      }
      form_->Click(kFormLayout[static_cast<std::size_t>(index)].id);
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (form_ && header->hwndFrom == control(Control::TabStrip1) &&
          header->code == TCN_SELCHANGE) {
        form_->Click(Control::TabStrip1);
      }
      break;
    }
    case kWindowKeyMessage: {
      // Enter clicks the button with the focus, as Space does; the dialog keys would send IDOK.
      const HWND focus = GetFocus();
      if (wParam == VK_RETURN && GetParent(focus) == hwnd_ &&
          SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) {
        SendMessageW(focus, BM_CLICK, 0, 0);
        return 1;
      }
      WindowKey key = WindowKey::Other;
      if (wParam == VK_TAB) key = WindowKey::Tab;
      if (wParam == VK_NEXT) key = WindowKey::PageDown;
      if (wParam == VK_PRIOR) key = WindowKey::PageUp;
      const bool control = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
      return form_ && form_->KeyPressed(key, control, GetKeyState(VK_SHIFT) < 0) ? 1 : 0;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // A high-contrast theme turned on or off.
      LoadDonationPicture();
      break;
    case WM_MEASUREITEM:
      // Asked once while List1 is created; the list box's font sets it afterwards.
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 16;
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem != control(Control::List1)) break;
      list_.Draw(*item);
      return TRUE;
    }
    case WM_DROPFILES:
      TakeDroppedFiles(wParam);
      return 0;
    case WM_SETCURSOR:
      if (busy_ && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      ApplyDpi(HIWORD(wParam));
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      switch (form_ ? form_->QueryClose() : CloseAction::Close) {
        case CloseAction::Close:
          DestroyWindow(hwnd_);
          break;
        case CloseAction::CloseAfterRun:
          // The window goes away now, the program once the stopped run has ended and its files
          // are cleaned up.
          ShowWindow(hwnd_, SW_HIDE);
          break;
        case CloseAction::StayOpen:
          break;
      }
      return 0;
    case kNoteAction: {
      // The action of a note, which a thread of its own showed.
      auto* act = reinterpret_cast<std::function<void()>*>(lParam);
      (*act)();
      delete act;
      return 0;
    }
    case WM_DESTROY:
      if (quitWhenClosed_) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Form1Window::TakeDroppedFiles(WPARAM dropped) {
  const auto drop = reinterpret_cast<HDROP>(dropped);
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(Narrow(path));
  }
  DragFinish(drop);
  form_->DropPaths(paths);
}

void Form1Window::SetCaption(std::string_view caption) {
  SetWindowTextW(hwnd_, Wide(caption).c_str());
}

void Form1Window::SetText(Control c, std::string_view text) {
  SetWindowTextW(control(c), Wide(text).c_str());
}

std::string Form1Window::Text(Control c) const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control(c))) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control(c), text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void Form1Window::SetVisible(Control c, bool visible) {
  ShowWindow(control(c), visible ? SW_SHOW : SW_HIDE);
}

void Form1Window::SetEnabled(Control c, bool enabled) { EnableWindow(control(c), enabled); }

int Form1Window::SelectedTab() const {
  return static_cast<int>(SendMessageW(control(Control::TabStrip1), TCM_GETCURSEL, 0, 0)) + 1;
}

void Form1Window::SelectTab(int tab) {
  SendMessageW(control(Control::TabStrip1), TCM_SETCURSEL, static_cast<WPARAM>(tab - 1), 0);
}

void Form1Window::SetFocus(Control c) { ::SetFocus(control(c)); }

void Form1Window::SetBusy(bool busy) {
  busy_ = busy;
  POINT cursor{};
  GetCursorPos(&cursor);
  if (WindowFromPoint(cursor) == hwnd_ || IsChild(hwnd_, WindowFromPoint(cursor))) {
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
  }
}

void Form1Window::ShowProgress(const JobProgress& progress) {
  owned_->consoles.ShowProgress(progress);
}

void Form1Window::JobEnded() {
  if (GetForegroundWindow() == hwnd_) return;
  FLASHWINFO flash{sizeof flash, hwnd_, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
}

void Form1Window::DoEvents() { PumpMessages(hwnd_); }

}  // namespace vok
