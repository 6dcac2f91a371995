#include "app/dpi_win.h"

namespace vok {

namespace {

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

}  // namespace

UINT DpiOf(HWND hwnd) {
  static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  return getDpiForWindow ? getDpiForWindow(hwnd) : SystemDpi();
}

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

SIZE WindowSizeFor(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto adjustForDpi =
      User32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client.cx, client.cy};
  if (adjustForDpi) {
    adjustForDpi(&rect, style, FALSE, exStyle, dpi);
  } else {
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace vok
