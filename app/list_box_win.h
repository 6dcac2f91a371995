#pragma once

#include <windows.h>

#include <cstddef>

#include "app/list_lines.h"

namespace vok {

// List1 on Win32: an owner-drawn list box that keeps no data of its own (LBS_NODATA). Its lines
// live here; the list box only counts them and asks for each one it draws. Screen readers and
// anyone else who asks for a line's text (LB_GETTEXT) get it from here too.
class VirtualListBox {
 public:
  static constexpr DWORD kStyle =
      WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOINTEGRALHEIGHT;

  VirtualListBox() = default;
  VirtualListBox(const VirtualListBox&) = delete;
  VirtualListBox& operator=(const VirtualListBox&) = delete;

  // Takes over the list box `list`, created with kStyle.
  void Attach(HWND list);
  // The font the lines are drawn in, at `dpi`: the line height and the column of the sizes.
  void SetFont(HFONT font, UINT dpi);

  void Clear();
  void Append(ListLines lines);
  [[nodiscard]] std::size_t Count() const;
  // WM_DRAWITEM of the list box, sent to its parent.
  void Draw(const DRAWITEMSTRUCT& item) const;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR self);

  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  UINT dpi_ = 96;
  int tabStop_ = 64;  // pixels between the columns
  ListLines lines_;
};

}  // namespace vok
