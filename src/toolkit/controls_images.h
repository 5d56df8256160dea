// Image lists of 32-bit pictures with alpha.
#pragma once

#include "toolkit/window.h"

#include <commctrl.h>

#include <vector>

namespace tk {

class ImageList {
public:
    ImageList() = default;
    ImageList(int width, int height, int initialCount);
    ImageList(ImageList&& other) noexcept;
    ImageList& operator=(ImageList&& other) noexcept;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    ~ImageList();
    HIMAGELIST Handle() const { return list_; }
    int Count() const;
    // Adds a 32-bit top-down picture with alpha (width*height pixels, 0xAARRGGBB).
    int AddPixels(const std::vector<UINT32>& pixels);

private:
    HIMAGELIST list_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tk
