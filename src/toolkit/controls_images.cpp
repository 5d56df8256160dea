#include "toolkit/controls_images.h"

#include "toolkit/error.h"

namespace tk {

// ---- ImageList

ImageList::ImageList(int width, int height, int initialCount) : width_(width), height_(height) {
    list_ = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, initialCount, 4);
    if (list_ == nullptr) {
        throw Error(L"Could not create an image list");
    }
}

ImageList::ImageList(ImageList&& other) noexcept
    : list_(other.list_), width_(other.width_), height_(other.height_) {
    other.list_ = nullptr;
}

ImageList& ImageList::operator=(ImageList&& other) noexcept {
    if (this != &other) {
        if (list_ != nullptr) {
            ImageList_Destroy(list_);
        }
        list_ = other.list_;
        width_ = other.width_;
        height_ = other.height_;
        other.list_ = nullptr;
    }
    return *this;
}

ImageList::~ImageList() {
    if (list_ != nullptr) {
        ImageList_Destroy(list_);
    }
}

int ImageList::Count() const {
    return list_ == nullptr ? 0 : ImageList_GetImageCount(list_);
}

int ImageList::AddPixels(const std::vector<UINT32>& pixels) {
    if (list_ == nullptr || pixels.size() != static_cast<size_t>(width_) * height_) {
        throw Error(L"Picture does not fit the image list");
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (color == nullptr) {
        ThrowLastError();
    }
    // Alpha premultiplied, as the 32-bit image list draws it; the mask covers systems that
    // draw without alpha.
    auto* dst = static_cast<UINT32*>(bits);
    std::vector<BYTE> maskBits(static_cast<size_t>((width_ + 15) / 16 * 2) * height_, 0);
    int stride = (width_ + 15) / 16 * 2;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            UINT32 p = pixels[static_cast<size_t>(y) * width_ + x];
            UINT32 a = p >> 24;
            UINT32 r = ((p >> 16) & 0xFF) * a / 255;
            UINT32 g = ((p >> 8) & 0xFF) * a / 255;
            UINT32 b = (p & 0xFF) * a / 255;
            dst[static_cast<size_t>(y) * width_ + x] = (a << 24) | (r << 16) | (g << 8) | b;
            if (a < 128) {
                maskBits[static_cast<size_t>(y) * stride + x / 8] |=
                    static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    HBITMAP mask = CreateBitmap(width_, height_, 1, 1, maskBits.data());
    int index = ImageList_Add(list_, color, mask);
    DeleteObject(color);
    if (mask != nullptr) {
        DeleteObject(mask);
    }
    if (index < 0) {
        throw Error(L"Could not add a picture to an image list");
    }
    return index;
}

} // namespace tk
