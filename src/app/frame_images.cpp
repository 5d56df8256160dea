#include "app/frame_images.h"

#include "toolkit/canvas.h"
#include "toolkit/window.h"

namespace {

constexpr int kCount = 13;
constexpr uint32_t kEdge = 0xFF606060;
constexpr uint32_t kPaper = 0xFFFFFFFF;
constexpr uint32_t kFolder = 0xFFE8C04A;
constexpr uint32_t kFolderDark = 0xFFB08A20;
constexpr uint32_t kDisk = 0xFF3C64B4;
constexpr uint32_t kGreen = 0xFF2E9B36;

void Draw(tk::Canvas& c, int index) {
    switch (index) {
    case 6: // new: a blank page with a folded corner
        c.FillPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}}, kEdge);
        c.FillPolygon({{4, 2}, {9.5, 2}, {12, 4.5}, {12, 14}, {4, 14}}, kPaper);
        break;
    case 7: // open: a folder
        c.FillPolygon({{1, 3}, {6, 3}, {7, 5}, {14, 5}, {14, 14}, {1, 14}}, kFolderDark);
        c.FillPolygon({{2, 7}, {15, 7}, {13, 14}, {1, 14}}, kFolder);
        break;
    case 8: // save: a disk
        c.FillRect(1.5, 1.5, 14.5, 14.5, kDisk);
        c.FillRect(4, 2, 12, 7, kPaper);
        c.FillRect(5, 10, 11, 14.5, 0xFFD0D0D0);
        break;
    case 12: // download: an arrow into a tray
        c.FillPolygon({{6, 1}, {10, 1}, {10, 6}, {13, 6}, {8, 11}, {3, 6}, {6, 6}}, kGreen);
        c.FillRect(1.5, 11, 14.5, 15, kEdge);
        c.FillRect(3, 11, 13, 13.5, kPaper);
        break;
    default:
        break;
    }
}

} // namespace

tk::ImageList CreateFrameImages(HWND window) {
    return CreateFrameImages(tk::DpiOf(window));
}

tk::ImageList CreateFrameImages(UINT dpi) {
    int size = MulDiv(16, static_cast<int>(dpi), 96);
    tk::ImageList list(size, size, kCount);
    for (int i = 0; i < kCount; ++i) {
        tk::Canvas c(size, size, size / 16.0);
        Draw(c, i);
        list.AddPixels(c.Pixels());
    }
    return list;
}
