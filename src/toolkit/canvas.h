// A small anti-aliased drawing surface for the program's own pictures (tool bar images and
// glyphs), drawn at run time at the window's DPI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace tk {

class Canvas {
public:
    // width x height pixels; drawing coordinates are design units multiplied by scale.
    Canvas(int width, int height, double scale);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0xAARRGGBB, top-down rows.
    const std::vector<uint32_t>& Pixels() const { return pixels_; }

    void FillPolygon(const std::vector<std::pair<double, double>>& points, uint32_t color);
    void FillRect(double left, double top, double right, double bottom, uint32_t color);
    // A band of the given width along the segment.
    void Line(double x0, double y0, double x1, double y1, double width, uint32_t color);
    // Part of a ring between two radii, angles in degrees (0 = right, counter-clockwise).
    void FillArc(double cx, double cy, double outer, double inner, double fromDeg, double toDeg,
                 uint32_t color);

    // A 32-bit bitmap of the picture (alpha premultiplied); the caller owns it.
    HBITMAP CreateBitmap() const;

private:
    template <class Inside>
    void Cover(double l, double t, double r, double b, uint32_t color, Inside inside);
    void Blend(int x, int y, uint32_t color, double coverage);
    int width_;
    int height_;
    double scale_;
    std::vector<uint32_t> pixels_;
};

} // namespace tk
