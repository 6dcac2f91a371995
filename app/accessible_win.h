#pragma once

#include <windows.h>

#include <string>

namespace vok {

// Gives `control` the name and description that screen readers tell of it, in place of what
// Windows makes of its window text: the control answers WM_GETOBJECT with the standard
// accessible object of its class, but for these two. MSAA clients read it directly, UI
// Automation through its MSAA proxy. An empty description leaves the standard one.
void NameControl(HWND control, const std::wstring& name, const std::wstring& description);

}  // namespace vok
