#include "app/console_win.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include "app/accessible_win.h"
#include "app/dpi_win.h"
#include "app/resources/resources_win.h"
#include "common/text_win.h"
#include "runner/console_text.h"

namespace vok {

namespace {

constexpr UINT_PTR kFlushTimer = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;  // the keyboard moves between its controls
constexpr SIZE kNormalSize = {720, 400};               // at 96 dots per inch
// The longest one batch of output should keep the window from its other messages: an edit
// control slow to lay text out (Wine's takes about 4 ms a kilobyte) is given less at a time.
constexpr std::chrono::microseconds kFlushTime{50000};
constexpr std::size_t kLeastPerFlush = 4096;

// Sets a control's text only when it changes: the progress is shown many times a second.
void SetText(HWND hwnd, const std::wstring& text) {
  std::wstring shown(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  shown.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, shown.data(), static_cast<int>(shown.size()))));
  if (shown != text) SetWindowTextW(hwnd, text.c_str());
}

HFONT FixedFont(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(10, static_cast<int>(dpi), 72);
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynW(font.lfFaceName, L"Consolas", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

}  // namespace

class WinConsoleWindow : public ConsoleWindow {
 public:
  WinConsoleWindow(std::string_view title, WindowMode mode, WinConsoleHost& host);
  ~WinConsoleWindow() override;
  WinConsoleWindow(const WinConsoleWindow&) = delete;
  WinConsoleWindow& operator=(const WinConsoleWindow&) = delete;

  [[nodiscard]] bool Created() const { return hwnd_ != nullptr; }
  void Write(std::string_view output) override { text_.Write(output); }
  void ShowProgress(const JobProgress& progress);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  HWND Child(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
             DWORD exStyle = 0);
  void ApplyDpi(UINT dpi);
  void Layout();
  void Flush();
  void Stop();
  void ShowTaskbarProgress();

  WinConsoleHost& host_;
  HWND hwnd_ = nullptr;
  HWND bar_ = nullptr;
  HWND counts_ = nullptr;
  HWND times_ = nullptr;
  HWND name_ = nullptr;
  HWND view_ = nullptr;
  HWND stop_ = nullptr;
  HWND focus_ = nullptr;  // the control that had the focus when the window was last active
  HFONT font_ = nullptr;
  HFONT fixedFont_ = nullptr;
  UINT dpi_ = 96;
  int lineHeight_ = 16;
  bool progressShown_ = false;
  std::optional<int> percent_;  // nullopt: a busy bar
  ITaskbarList3* taskbar_ = nullptr;
  ConsoleText text_;
  std::size_t perFlush_ = 2 * kLeastPerFlush;  // what fits in kFlushTime, as last measured
  std::deque<DWORD> lineLengths_;  // of the lines in view_, in UTF-16 code units with their CR LF
};

WinConsoleWindow::WinConsoleWindow(std::string_view title, WindowMode mode, WinConsoleHost& host)
    : host_(host) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kConsoleWindowClass;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VOKRUZERU));
  RegisterClassExW(&windowClass);  // fails harmlessly when it is registered already

  // Unowned, so that it has a taskbar button of its own, as a console has.
  CreateWindowExW(kWindowExStyle, kConsoleWindowClass, Wide(title).c_str(), kWindowStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                  instance, this);
  if (!hwnd_) return;
  host_.open_ = this;

  // Hidden until the job tells how far it has come.
  bar_ = Child(PROGRESS_CLASSW, L"", PBS_MARQUEE, kConsoleProgressId);
  SendMessageW(bar_, PBM_SETMARQUEE, TRUE, 0);
  counts_ = Child(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kConsoleCountsId);
  times_ = Child(WC_STATICW, L"", SS_RIGHT | SS_NOPREFIX | SS_ENDELLIPSIS, kConsoleTimesId);
  name_ = Child(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, kConsoleNameId);
  view_ = Child(WC_EDITW, L"",
                WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                    ES_NOHIDESEL,
                kConsoleTextId, WS_EX_CLIENTEDGE);
  SendMessageW(view_, EM_SETLIMITTEXT, 0, 0);  // the scroll-back bounds it
  stop_ = Child(WC_BUTTONW, L"Stop", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kConsoleStopId);
  NameControl(bar_, L"Progress", L"");
  NameControl(view_, L"Output of the archive tool", L"");
  focus_ = view_;
  ApplyDpi(DpiOf(hwnd_));

  if (SUCCEEDED(CoCreateInstance(__uuidof(TaskbarList), nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&taskbar_))) &&
      FAILED(taskbar_->HrInit())) {
    taskbar_->Release();
    taskbar_ = nullptr;
  }
  SetTimer(hwnd_, kFlushTimer, kConsoleFlushMs, nullptr);

  switch (mode) {
    case WindowMode::Maximized:
      ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
      SetForegroundWindow(hwnd_);
      break;
    case WindowMode::Minimized:
      ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
      break;
    default: {
      const double unit = dpi_ / 96.0;
      SetWindowPos(hwnd_, nullptr, 0, 0, static_cast<int>(kNormalSize.cx * unit),
                   static_cast<int>(kNormalSize.cy * unit),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      ShowWindow(hwnd_, SW_SHOWNORMAL);
      break;
    }
  }
}

WinConsoleWindow::~WinConsoleWindow() {
  if (host_.open_ == this) host_.open_ = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);  // its taskbar button goes with it
  if (taskbar_) taskbar_->Release();
  if (font_) DeleteObject(font_);
  if (fixedFont_) DeleteObject(fixedFont_);
}

HWND WinConsoleWindow::Child(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
                             DWORD exStyle) {
  return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, 0, 0, 0, 0, hwnd_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void WinConsoleWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  const HFONT oldFont = font_;
  const HFONT oldFixedFont = fixedFont_;
  font_ = MessageFont(dpi_);
  fixedFont_ = FixedFont(dpi_);
  for (HWND child : {counts_, times_, name_, stop_}) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  SendMessageW(view_, WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_), TRUE);
  const HDC dc = GetDC(hwnd_);
  const HGDIOBJ previous = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  lineHeight_ = metrics.tmHeight;
  SelectObject(dc, previous);
  ReleaseDC(hwnd_, dc);
  if (oldFont) DeleteObject(oldFont);
  if (oldFixedFont) DeleteObject(oldFixedFont);
  Layout();
}

void WinConsoleWindow::Layout() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const double unit = dpi_ / 96.0;
  const auto px = [unit](double pixels) { return static_cast<int>(pixels * unit + 0.5); };
  const int margin = px(8);
  const int width = std::max(0, static_cast<int>(client.right) - 2 * margin);
  int top = margin;
  if (progressShown_) {
    MoveWindow(bar_, margin, top, width, px(18), FALSE);
    top += px(18) + px(6);
    MoveWindow(counts_, margin, top, width * 3 / 5, lineHeight_, FALSE);
    MoveWindow(times_, margin + width * 3 / 5, top, width - width * 3 / 5, lineHeight_, FALSE);
    top += lineHeight_ + px(2);
    MoveWindow(name_, margin, top, width, lineHeight_, FALSE);
    top += lineHeight_ + px(6);
  }
  const int buttonWidth = std::max(px(88), lineHeight_ * 6);
  const int buttonHeight = std::max(px(26), lineHeight_ + px(10));
  const int buttonTop = static_cast<int>(client.bottom) - margin - buttonHeight;
  MoveWindow(view_, margin, top, width, std::max(0, buttonTop - margin - top), FALSE);
  MoveWindow(stop_, static_cast<int>(client.right) - margin - buttonWidth, buttonTop, buttonWidth,
             buttonHeight, FALSE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void WinConsoleWindow::ShowProgress(const JobProgress& progress) {
  const bool first = !progressShown_;
  if (first) {
    progressShown_ = true;
    Layout();
    for (HWND child : {bar_, counts_, times_, name_}) ShowWindow(child, SW_SHOWNA);
  }
  const bool busy = !progress.percent;
  const LONG_PTR style = GetWindowLongPtrW(bar_, GWL_STYLE);
  if (busy != ((style & PBS_MARQUEE) != 0)) {
    SetWindowLongPtrW(bar_, GWL_STYLE, busy ? style | PBS_MARQUEE : style & ~PBS_MARQUEE);
    SendMessageW(bar_, PBM_SETMARQUEE, busy, 0);
  }
  if (progress.percent) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(*progress.percent), 0);
  SetText(hwnd_, Wide(progress.title));
  SetText(counts_, Wide(progress.files + ", " + progress.bytes));
  SetText(times_, Wide(progress.times));
  SetText(name_, Wide(progress.current));
  if (first || progress.percent != percent_) {
    percent_ = progress.percent;
    ShowTaskbarProgress();
  }
}

void WinConsoleWindow::ShowTaskbarProgress() {
  // Before the taskbar has made the window's button this fails, and is done again once it has.
  if (!taskbar_ || !progressShown_) return;
  if (percent_) {
    taskbar_->SetProgressState(hwnd_, TBPF_NORMAL);
    taskbar_->SetProgressValue(hwnd_, static_cast<ULONGLONG>(*percent_), 100);
  } else {
    taskbar_->SetProgressState(hwnd_, TBPF_INDETERMINATE);
  }
}

void WinConsoleWindow::Flush() {
  const auto start = std::chrono::steady_clock::now();
  const std::string taken = text_.Take(perFlush_);
  if (taken.empty()) return;
  // The edit control's lines end in CR LF.
  const std::wstring wide = Wide(taken);
  std::wstring text;
  text.reserve(wide.size() + wide.size() / 16 + 2);
  if (lineLengths_.empty()) lineLengths_.push_back(0);
  for (const wchar_t c : wide) {
    if (c == L'\n') {
      text += L"\r\n";
      lineLengths_.back() += 2;
      lineLengths_.push_back(0);
    } else {
      text += c;
      ++lineLengths_.back();
    }
  }

  // The user's selection and place in the text stay as they were, unless the view was at the
  // end, which it then follows.
  DWORD selectionStart = 0;
  DWORD selectionEnd = 0;
  SendMessageW(view_, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
               reinterpret_cast<LPARAM>(&selectionEnd));
  SCROLLINFO scroll{sizeof scroll, SIF_ALL, 0, 0, 0, 0, 0};
  const bool atEnd = !GetScrollInfo(view_, SB_VERT, &scroll) ||
                     scroll.nPos + static_cast<int>(scroll.nPage) > scroll.nMax;
  const LRESULT firstLine = SendMessageW(view_, EM_GETFIRSTVISIBLELINE, 0, 0);
  SendMessageW(view_, WM_SETREDRAW, FALSE, 0);
  const int length = GetWindowTextLengthW(view_);
  SendMessageW(view_, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageW(view_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));

  // A bounded scroll-back: the oldest lines go.
  DWORD removed = 0;
  while (lineLengths_.size() > static_cast<std::size_t>(kConsoleScrollBackLines)) {
    removed += lineLengths_.front();
    lineLengths_.pop_front();
  }
  LRESULT removedLines = 0;  // as the edit control shows them, wrapped
  if (removed > 0) {
    removedLines = SendMessageW(view_, EM_LINEFROMCHAR, removed, 0);
    SendMessageW(view_, EM_SETSEL, 0, static_cast<LPARAM>(removed));
    SendMessageW(view_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  }
  const auto shifted = [removed](DWORD at) { return at > removed ? at - removed : 0; };
  SendMessageW(view_, EM_SETSEL, shifted(selectionStart), shifted(selectionEnd));
  const LRESULT wanted = atEnd ? SendMessageW(view_, EM_GETLINECOUNT, 0, 0)
                               : std::max<LRESULT>(0, firstLine - removedLines);
  SendMessageW(view_, EM_LINESCROLL, 0, wanted - SendMessageW(view_, EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageW(view_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(view_, nullptr, TRUE);
  UpdateWindow(view_);  // the drawing is part of the batch's cost

  const auto spent = std::max(std::chrono::duration_cast<std::chrono::microseconds>(
                                  std::chrono::steady_clock::now() - start),
                              std::chrono::microseconds(1));
  const auto fits = static_cast<std::size_t>(static_cast<double>(taken.size()) *
                                             kFlushTime.count() / spent.count());
  perFlush_ = std::clamp(fits, kLeastPerFlush, std::min(2 * perFlush_, kConsoleShownPerFlush));
}

void WinConsoleWindow::Stop() {
  if (!IsWindowEnabled(stop_)) return;
  if (GetFocus() == stop_) ::SetFocus(view_);
  SetWindowTextW(stop_, L"Stopping\u2026");
  EnableWindow(stop_, FALSE);
  if (host_.stopRun_) host_.stopRun_();
}

LRESULT CALLBACK WinConsoleWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<WinConsoleWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  }
  auto* self = reinterpret_cast<WinConsoleWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return self ? self->OnMessage(message, wParam, lParam)
              : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT WinConsoleWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT taskbarButtonCreated = RegisterWindowMessageW(L"TaskbarButtonCreated");
  if (message == taskbarButtonCreated) {
    ShowTaskbarProgress();
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == kFlushTimer) Flush();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kConsoleStopId:
          if (HIWORD(wParam) == BN_CLICKED) Stop();
          return 0;
        case IDOK:  // Enter, from the keyboard handling of the message loop
          if (GetFocus() == stop_) Stop();
          return 0;
        case IDCANCEL:  // Escape: as closing the window
          SendMessageW(hwnd_, WM_CLOSE, 0, 0);
          return 0;
        default:
          break;
      }
      break;
    case WM_CLOSE:
      // Closing the console of a run stops the run; the window, which says "Stopping...", goes
      // when the run has ended. It is not hidden before: under Wine, the Ctrl+C that asks the
      // run to stop then does not reach it.
      Stop();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE && IsChild(hwnd_, GetFocus())) focus_ = GetFocus();
      break;
    case WM_SETFOCUS:
      ::SetFocus(IsWindowEnabled(focus_) ? focus_ : view_);
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(HIWORD(wParam));
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

std::unique_ptr<ConsoleWindow> WinConsoleHost::OpenConsole(std::string_view title,
                                                           WindowMode mode) {
  auto console = std::make_unique<WinConsoleWindow>(title, mode, *this);
  if (!console->Created()) return nullptr;  // the run goes on without a window
  return console;
}

void WinConsoleHost::ShowProgress(const JobProgress& progress) {
  if (open_ != nullptr) open_->ShowProgress(progress);
}

}  // namespace vok
