#pragma once

#include <windows.h>

namespace vok {

// The DPI of the monitor that shows `hwnd`; before Windows 10, the system's.
UINT DpiOf(HWND hwnd);
// The system's message font, sized for `dpi`.
HFONT MessageFont(UINT dpi);
// The size of a window with these styles whose client area is `client` at `dpi`.
SIZE WindowSizeFor(SIZE client, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace vok
