#include "app/form1_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <wincodec.h>
#include <wrl/client.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/open_file_dialog_win.h"
#include "app/resources/resources_win.h"
#include "runner/process_win.h"
#include "runner/text_win.h"
#include "runner/workspace_lock_win.h"
#include "shell/link_launcher_win.h"
#include "shell/select_folder_win.h"

namespace vok {

namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kWindowClass[] = L"VOKRuzeruForm1";
constexpr int kFirstControlId = 1000;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
constexpr int kPictureWidth = 110;  // the donation picture, in pixels at 96 DPI
constexpr int kPictureHeight = 23;

constexpr Control kRunButtons[] = {Control::cmdOpen, Control::cmdExtract, Control::cmdCreate};

constexpr std::pair<Control, void (Form1::*)()> kClickHandlers[] = {
    {Control::cmdOpen, &Form1::cmdOpen_Click},
    {Control::cmdSourceOpen, &Form1::cmdSourceOpen_Click},
    {Control::cmdDestOpen, &Form1::cmdDestOpen_Click},
    {Control::cmdExtract, &Form1::cmdExtract_Click},
    {Control::cmdClear, &Form1::cmdClear_Click},
    {Control::cmdCDir, &Form1::cmdCDir_Click},
    {Control::cmdCrDest, &Form1::cmdCrDest_Click},
    {Control::cmdCreate, &Form1::cmdCreate_Click},
    {Control::cmdCClear, &Form1::cmdCClear_Click},
    {Control::Command1, &Form1::Command1_Click},
};

std::size_t IndexOf(Control c) { return static_cast<std::size_t>(c); }

// The per-monitor DPI functions exist from Windows 10 on; before, the system DPI serves.
template <class Function>
Function User32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT SystemDpi() {
  const HDC screen = GetDC(nullptr);
  const UINT dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  return dpi;
}

UINT DpiOf(HWND hwnd) {
  static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  return getDpiForWindow ? getDpiForWindow(hwnd) : SystemDpi();
}

// The system's message font, sized for `dpi`.
HFONT MessageFont(UINT dpi) {
  static const auto parametersForDpi =
      User32<BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT)>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (parametersForDpi) {
    parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  } else {
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(SystemDpi()));
  }
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

SIZE WindowSizeFor(SIZE client, UINT dpi) {
  static const auto adjustForDpi =
      User32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client.cx, client.cy};
  if (adjustForDpi) {
    adjustForDpi(&rect, kWindowStyle, FALSE, kWindowExStyle, dpi);
  } else {
    AdjustWindowRectEx(&rect, kWindowStyle, FALSE, kWindowExStyle);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The donation picture from the program's resources, `width` by `height` pixels, its
// transparent pixels filled with the button's face colour. Null when it cannot be decoded.
HBITMAP LoadPicture(int width, int height) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(IDR_DONATE), RT_RCDATA);
  if (!resource) return nullptr;
  auto* bytes = static_cast<BYTE*>(LockResource(LoadResource(instance, resource)));
  const DWORD size = SizeofResource(instance, resource);

  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IWICBitmapScaler> scaler;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateStream(&stream)) || FAILED(stream->InitializeFromMemory(bytes, size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(factory->CreateBitmapScaler(&scaler)) ||
      FAILED(scaler->Initialize(converter.Get(), static_cast<UINT>(width),
                                static_cast<UINT>(height), WICBitmapInterpolationModeFant))) {
    return nullptr;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  const UINT stride = static_cast<UINT>(width) * 4;
  if (FAILED(scaler->CopyPixels(nullptr, stride, stride * static_cast<UINT>(height),
                                static_cast<BYTE*>(bits)))) {
    DeleteObject(bitmap);
    return nullptr;
  }
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const BYTE background[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
  auto* pixel = static_cast<BYTE*>(bits);
  for (int i = 0; i < width * height; ++i, pixel += 4) {
    for (int c = 0; c < 3; ++c)
      pixel[c] = static_cast<BYTE>(pixel[c] + background[c] * (255 - pixel[3]) / 255);
    pixel[3] = 255;
  }
  return bitmap;
}

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
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (layout.visibleAtStart ? WS_VISIBLE : 0);
  switch (layout.kind) {
    case ControlKind::TabStrip:
      return style | WS_TABSTOP;
    case ControlKind::Label:
      return style | SS_LEFT | SS_NOPREFIX;
    case ControlKind::TextBox: {
      // Only the destination folder and the source folder are read as typed; the other boxes
      // show what was chosen with their "..." button.
      const bool typed = layout.id == Control::txtDest || layout.id == Control::txtCrSource;
      return style | WS_TABSTOP | ES_AUTOHSCROLL | (typed ? 0 : ES_READONLY);
    }
    case ControlKind::ListBox:
      // The lines live in lines_; the list box only counts them and asks for each it shows.
      return style | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA |
             LBS_NOINTEGRALHEIGHT;
    case ControlKind::Button:
      return style | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::PictureButton:
      return style | WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP;
  }
  return style;
}

}  // namespace

struct Form1Window::Owned {
  explicit Owned(HWND owner) : files(owner), folders(owner) {}
  WinFilePrompt files;
  WinFolderPrompt folders;
  WinLinkLauncher links;
  WinProcesses processes;
  WinWorkspaceLock lock;
};

Form1Window::Form1Window(const Workspace& workspace) : Form1Window(workspace, Services{}) {}

Form1Window::Form1Window(const Workspace& workspace, Services services)
    : services_(std::move(services)) {
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

  owned_ = std::make_unique<Owned>(hwnd_);
  const Platform platform{
      *this,
      services_.files ? *services_.files : owned_->files,
      services_.folders ? *services_.folders : owned_->folders,
      services_.processes ? *services_.processes : owned_->processes,
      *this,
      services_.links ? *services_.links : owned_->links,
      owned_->lock,
  };
  form_ = std::make_unique<Form1>(platform, workspace);
  CreateControls();
  ApplyDpi(DpiOf(hwnd_));
}

Form1Window::~Form1Window() {
  if (IsWindow(hwnd_)) {
    services_.quitWhenClosed = false;
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
  if (picture_) DeleteObject(picture_);
}

HWND Form1Window::control(Control c) const { return controls_[IndexOf(c)]; }

void Form1Window::CreateControls() {
  // Creation order is the keyboard focus order.
  std::vector<const ControlLayout*> order;
  for (const ControlLayout& layout : kFormLayout) order.push_back(&layout);
  std::sort(order.begin(), order.end(),
            [](const auto* a, const auto* b) { return a->focusOrder < b->focusOrder; });

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const ControlLayout* layout : order) {
    const bool framed =
        layout->kind == ControlKind::TextBox || layout->kind == ControlKind::ListBox;
    const std::wstring text =
        layout->kind == ControlKind::Label || layout->kind == ControlKind::Button
            ? Wide(layout->text)
            : std::wstring();
    const HWND child = CreateWindowExW(
        framed ? WS_EX_CLIENTEDGE : 0, ClassOf(layout->kind), text.c_str(), StyleOf(*layout), 0, 0,
        0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + IndexOf(layout->id))),
        instance, nullptr);
    controls_[IndexOf(layout->id)] = child;
  }

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

  SetWindowSubclass(control(Control::List1), ListProc, 0, reinterpret_cast<DWORD_PTR>(this));

  const HWND donate = control(Control::Command1);
  SetWindowTextW(donate, L"Make a Donation");  // read by screen readers; the picture shows
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

double Form1Window::ScaleForFont() const {
  const HDC dc = GetDC(hwnd_);
  const HGDIOBJ previous = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const double unit = dpi_ / 96.0;  // one pixel at 96 DPI
  const double pixelsPerTwip = dpi_ / 1440.0;
  double scale = 1.0;
  const auto need = [&](double pixels, int twips) {
    scale = std::max(scale, pixels / (twips * pixelsPerTwip));
  };
  for (const ControlLayout& layout : kFormLayout) {
    const std::wstring text = Wide(layout.text);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    switch (layout.kind) {
      case ControlKind::TabStrip: {
        const HWND tabs = control(Control::TabStrip1);
        RECT last{};
        const auto count = SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
        SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(count - 1),
                     reinterpret_cast<LPARAM>(&last));
        need(last.right + 2 * unit, layout.width);
        need(last.bottom + 2 * unit, layout.height);
        break;
      }
      case ControlKind::Label:
        need(extent.cx + 2 * unit, layout.width);
        need(metrics.tmHeight, layout.height);
        break;
      case ControlKind::Button:
        need(extent.cx + 12 * unit, layout.width);
        need(metrics.tmHeight + 4 * unit, layout.height);
        break;
      case ControlKind::TextBox:
        need(metrics.tmHeight + 4 * unit, layout.height);
        break;
      case ControlKind::ListBox:
      case ControlKind::PictureButton:
        break;
    }
  }
  SelectObject(dc, previous);
  ReleaseDC(hwnd_, dc);
  return std::ceil(scale * 20) / 20;  // a step of 5 % keeps the grid even
}

RECT Form1Window::Place(const ControlLayout& layout) const {
  const auto px = [this](int twips) {
    return static_cast<LONG>(std::lround(twips * dpi_ * scale_ / 1440.0));
  };
  return RECT{px(layout.left), px(layout.top), px(layout.left + layout.width),
              px(layout.top + layout.height)};
}

void Form1Window::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  const HFONT oldFont = font_;
  font_ = MessageFont(dpi);
  for (HWND child : controls_)
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (oldFont) DeleteObject(oldFont);

  scale_ = ScaleForFont();
  for (const ControlLayout& layout : kFormLayout) {
    const RECT place = Place(layout);
    SetWindowPos(control(layout.id), nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The tabs fill the strip: below them there is no pane, only the group's controls.
  const RECT strip = Place(LayoutOf(Control::TabStrip1));
  SendMessageW(control(Control::TabStrip1), TCM_SETITEMSIZE, 0,
               MAKELPARAM(0, strip.bottom - strip.top - std::lround(2 * dpi / 96.0)));
  const SIZE client{static_cast<LONG>(std::lround(kClientWidthTwips * dpi * scale_ / 1440.0)),
                    static_cast<LONG>(std::lround(kClientHeightTwips * dpi * scale_ / 1440.0))};
  const SIZE window = WindowSizeFor(client, dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.cx, window.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const HDC dc = GetDC(hwnd_);
  const HGDIOBJ previous = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE digits{};
  GetTextExtentPoint32W(dc, L"0000000000", 10, &digits);
  SelectObject(dc, previous);
  ReleaseDC(hwnd_, dc);
  // A column wide enough for sizes up to ten digits; longer ones move on to the next stop.
  tabStop_ = digits.cx + 2 * metrics.tmAveCharWidth;
  SendMessageW(control(Control::List1), LB_SETITEMHEIGHT, 0,
               MAKELPARAM(metrics.tmHeight + std::lround(2 * dpi / 96.0), 0));

  const HBITMAP oldPicture = picture_;
  picture_ = LoadPicture(static_cast<int>(std::lround(kPictureWidth * dpi * scale_ / 96.0)),
                         static_cast<int>(std::lround(kPictureHeight * dpi * scale_ / 96.0)));
  SendMessageW(control(Control::Command1), BM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(picture_));
  if (oldPicture) DeleteObject(oldPicture);
  InvalidateRect(hwnd_, nullptr, TRUE);
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
      for (const auto& [control, handler] : kClickHandlers) {
        if (IndexOf(control) == static_cast<std::size_t>(index)) Handle(handler);
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (form_ && header->hwndFrom == control(Control::TabStrip1) &&
          header->code == TCN_SELCHANGE) {
        Handle(&Form1::TabStrip1_Click);
      }
      break;
    }
    case WM_MEASUREITEM:
      // Asked once while List1 is created; LB_SETITEMHEIGHT sets it for the font.
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 16;
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem != control(Control::List1)) break;
      DrawListLine(*item);
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
          closePending_ = true;
          ShowWindow(hwnd_, SW_HIDE);
          break;
        case CloseAction::StayOpen:
          break;
      }
      return 0;
    case WM_DESTROY:
      if (services_.quitWhenClosed) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Form1Window::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self) {
  // The list box keeps no text of its own: its lines are read from lines_, for screen readers
  // and anyone else who asks.
  const auto& lines = reinterpret_cast<Form1Window*>(self)->lines_;
  if (message == LB_GETTEXTLEN || message == LB_GETTEXT) {
    if (wParam >= lines.size()) return LB_ERR;
    const std::wstring line = Wide(lines[wParam]);
    if (message == LB_GETTEXT) {
      std::copy(line.begin(), line.end(), reinterpret_cast<wchar_t*>(lParam));
      reinterpret_cast<wchar_t*>(lParam)[line.size()] = L'\0';
    }
    return static_cast<LRESULT>(line.size());
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void Form1Window::DrawListLine(const DRAWITEMSTRUCT& item) const {
  const HDC dc = item.hDC;
  RECT box = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &box, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID < lines_.size()) {
    const HGDIOBJ previous = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::wstring line = Wide(lines_[item.itemID]);
    const int margin = static_cast<int>(std::lround(2 * dpi_ / 96.0));
    int tabStop = tabStop_;
    TabbedTextOutW(dc, box.left + margin, box.top + margin / 2, line.c_str(),
                   static_cast<int>(line.size()), 1, &tabStop, box.left + margin);
    SelectObject(dc, previous);
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &box);
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
  Handle([&paths](Form1& form) { form.DropPaths(paths); });
}

void Form1Window::Start(const CommandLine& commandLine) {
  Handle([&commandLine](Form1& form) { form.Start(commandLine); });
}

void Form1Window::Handle(const std::function<void(Form1&)>& handler) {
  handler(*form_);
  if (closePending_ && !form_->IsRunning()) {
    closePending_ = false;
    DestroyWindow(hwnd_);
  }
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

void Form1Window::ListClear() {
  lines_ = ListLines();
  SendMessageW(control(Control::List1), LB_RESETCONTENT, 0, 0);
}

void Form1Window::ListAppend(ListLines lines) {
  if (lines_.empty()) {
    lines_ = std::move(lines);
  } else {
    for (std::size_t i = 0; i < lines.size(); ++i) lines_.push_back(lines[i]);
  }
  SendMessageW(control(Control::List1), LB_SETCOUNT, lines_.size(), 0);
}

std::size_t Form1Window::ListCount() const {
  const LRESULT count = SendMessageW(control(Control::List1), LB_GETCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<std::size_t>(count);
}

int Form1Window::SelectedTab() const {
  return static_cast<int>(SendMessageW(control(Control::TabStrip1), TCM_GETCURSEL, 0, 0)) + 1;
}

void Form1Window::SetBusy(bool busy) {
  busy_ = busy;
  for (Control c : kRunButtons) EnableWindow(control(c), !busy);
  POINT cursor{};
  GetCursorPos(&cursor);
  if (WindowFromPoint(cursor) == hwnd_ || IsChild(hwnd_, WindowFromPoint(cursor))) {
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
  }
}

void Form1Window::ShowError(std::string_view message) {
  if (services_.showMessage) {
    services_.showMessage(std::string(message));
    return;
  }
  const bool shown = IsWindow(hwnd_) && IsWindowVisible(hwnd_);
  MessageBoxW(shown ? hwnd_ : nullptr, Wide(message).c_str(), Wide(kWindowCaption).c_str(),
              MB_OK | MB_ICONWARNING);
}

void Form1Window::ShowInformation(std::string_view message) {
  if (closePending_) return;  // the user is quitting
  if (services_.showMessage) {
    services_.showMessage(std::string(message));
    return;
  }
  MessageBoxW(hwnd_, Wide(message).c_str(), Wide(kWindowCaption).c_str(),
              MB_OK | MB_ICONINFORMATION);
}

bool Form1Window::AskYesNo(std::string_view question) {
  if (services_.answerQuestion) return services_.answerQuestion(std::string(question));
  return MessageBoxW(hwnd_, Wide(question).c_str(), Wide(kWindowCaption).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void Form1Window::DoEvents() { PumpMessages(hwnd_); }

}  // namespace vok
