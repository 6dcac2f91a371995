#include "app/list_box_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "common/text_win.h"

namespace vok {

void VirtualListBox::Attach(HWND list) {
  list_ = list;
  SetWindowSubclass(list_, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void VirtualListBox::SetFont(HFONT font, UINT dpi) {
  font_ = font;
  dpi_ = dpi;
  const HDC dc = GetDC(list_);
  const HGDIOBJ previous = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE digits{};
  GetTextExtentPoint32W(dc, L"0000000000", 10, &digits);
  SelectObject(dc, previous);
  ReleaseDC(list_, dc);
  // A column wide enough for sizes up to ten digits; longer ones move on to the next stop.
  tabStop_ = digits.cx + 2 * metrics.tmAveCharWidth;
  SendMessageW(list_, LB_SETITEMHEIGHT, 0,
               MAKELPARAM(metrics.tmHeight + std::lround(2 * dpi / 96.0), 0));
}

void VirtualListBox::Clear() {
  lines_ = ListLines();
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
}

void VirtualListBox::Append(ListLines lines) {
  if (lines_.empty()) {
    lines_ = std::move(lines);
  } else {
    for (std::size_t i = 0; i < lines.size(); ++i) lines_.push_back(lines[i]);
  }
  SendMessageW(list_, LB_SETCOUNT, lines_.size(), 0);
}

std::size_t VirtualListBox::Count() const {
  const LRESULT count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<std::size_t>(count);
}

void VirtualListBox::Draw(const DRAWITEMSTRUCT& item) const {
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

LRESULT CALLBACK VirtualListBox::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self) {
  const ListLines& lines = reinterpret_cast<VirtualListBox*>(self)->lines_;
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

}  // namespace vok
