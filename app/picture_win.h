#pragma once

#include <windows.h>

namespace vok {

// The picture stored as the program's RCDATA resource `id` (a GIF, a PNG...), decoded and
// scaled to `width` by `height` pixels, its transparent pixels filled with the button face's
// colour. Null when it cannot be decoded.
HBITMAP LoadPicture(int id, int width, int height);

}  // namespace vok
