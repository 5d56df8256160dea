// The frame's image list: pictures of its tool bar buttons (and of its menu items).
#pragma once

#include "toolkit/controls.h"

#include <windows.h>

// Thirteen 16 x 16 (design size) pictures; 6 new page, 7 open folder, 8 save disk,
// 12 download. The others are left empty.
tk::ImageList CreateFrameImages(HWND window);
// The same pictures drawn for a screen of dpi dots per inch.
tk::ImageList CreateFrameImages(UINT dpi);
