// The pictures of a browser window: the navigator buttons and the go glyph.
#pragma once

#include "toolkit/controls.h"

#include <windows.h>

#include <memory>

// Five 23 x 23 (design size) pictures: 0 green arrow left, 1 green arrow right, 2 page with
// a red cross, 3 page with green circular arrows, 4 as 2. The hot set has grey arrows.
// Drawn for a screen of dpi dots per inch.
tk::ImageList CreateNavigatorImages(UINT dpi, bool hot);
// The same pictures, drawn once per scale and shared while any window holds them: drawing
// them is a good part of the cost of opening a window.
std::shared_ptr<const tk::ImageList> SharedNavigatorImages(UINT dpi, bool hot);
// 20 x 20 (design size): a white arrow pointing right on a green square. Caller owns it.
HBITMAP CreateGoGlyph(UINT dpi);
