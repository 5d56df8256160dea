#include "browser_window/navigator_images.h"

#include "toolkit/canvas.h"
#include "toolkit/window.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t kGreen = 0xFF2E9B36;
constexpr uint32_t kDarkGreen = 0xFF1B6B22;
constexpr uint32_t kGrey = 0xFF8C8C8C;
constexpr uint32_t kDarkGrey = 0xFF5E5E5E;
constexpr uint32_t kRed = 0xFFD8261C;
constexpr uint32_t kPaper = 0xFFFFFFFF;
constexpr uint32_t kPaperEdge = 0xFF7A7A7A;
constexpr uint32_t kWhite = 0xFFFFFFFF;

void Arrow(tk::Canvas& c, bool left, uint32_t fill, uint32_t edge) {
    auto shape = [left](double inset) {
        std::vector<std::pair<double, double>> p = {
            {3 + inset * 1.4, 11.5},   {11, 3 + inset * 1.6},      {11, 7.5 + inset},
            {20 - inset, 7.5 + inset}, {20 - inset, 15.5 - inset}, {11, 15.5 - inset},
            {11, 20 - inset * 1.6}};
        if (!left) {
            for (auto& q : p) {
                q.first = 23 - q.first;
            }
        }
        return p;
    };
    c.FillPolygon(shape(0), edge);
    c.FillPolygon(shape(1), fill);
}

void Page(tk::Canvas& c) {
    c.FillPolygon({{4, 2}, {14, 2}, {18, 6}, {18, 21}, {4, 21}}, kPaperEdge);
    c.FillPolygon({{5, 3}, {13.5, 3}, {17, 6.5}, {17, 20}, {5, 20}}, kPaper);
    c.FillPolygon({{13.5, 3}, {17, 6.5}, {13.5, 6.5}}, 0xFFD0D0D0);
}

std::vector<uint32_t> Picture(int index, bool hot, int size, double scale) {
    tk::Canvas c(size, size, scale);
    switch (index) {
    case 0:
    case 1:
        Arrow(c, index == 0, hot ? kGrey : kGreen, hot ? kDarkGrey : kDarkGreen);
        break;
    case 2:
    case 4:
        Page(c);
        c.Line(9, 9, 20, 20, 3, kRed);
        c.Line(20, 9, 9, 20, 3, kRed);
        break;
    case 3:
        Page(c);
        c.FillArc(14, 14.5, 6.5, 4, 40, 320, kGreen);
        c.FillPolygon({{17.5, 7}, {22, 10.5}, {16.5, 12.5}}, kGreen);
        break;
    default:
        break;
    }
    return c.Pixels();
}

} // namespace

tk::ImageList CreateNavigatorImages(UINT dpi, bool hot) {
    int size = MulDiv(23, static_cast<int>(dpi), 96);
    double scale = size / 23.0;
    tk::ImageList list(size, size, 5);
    for (int i = 0; i < 5; ++i) {
        list.AddPixels(Picture(i, hot, size, scale));
    }
    return list;
}

std::shared_ptr<const tk::ImageList> SharedNavigatorImages(UINT dpi, bool hot) {
    // Only the windows' own references keep a set alive; the UI thread is the only caller.
    struct Entry {
        UINT dpi;
        bool hot;
        std::weak_ptr<const tk::ImageList> images;
    };
    static std::vector<Entry> cache;
    cache.erase(std::remove_if(cache.begin(), cache.end(),
                               [](const Entry& e) { return e.images.expired(); }),
                cache.end());
    for (const Entry& e : cache) {
        if (e.dpi == dpi && e.hot == hot) {
            if (auto images = e.images.lock()) {
                return images;
            }
        }
    }
    auto images = std::make_shared<const tk::ImageList>(CreateNavigatorImages(dpi, hot));
    cache.push_back(Entry{dpi, hot, images});
    return images;
}

HBITMAP CreateGoGlyph(UINT dpi) {
    int size = MulDiv(20, static_cast<int>(dpi), 96);
    tk::Canvas c(size, size, size / 20.0);
    c.FillRect(0, 0, 20, 20, kGreen);
    c.FillPolygon({{4, 8}, {10, 8}, {10, 4}, {16.5, 10}, {10, 16}, {10, 12}, {4, 12}}, kWhite);
    return c.CreateBitmap();
}
