#include "toolkit/canvas.h"

#include "toolkit/error.h"

#include <algorithm>
#include <cmath>

namespace tk {
namespace {

constexpr int kSamples = 4; // per axis: 16 samples per pixel
constexpr double kPi = 3.14159265358979323846;

} // namespace

Canvas::Canvas(int width, int height, double scale)
    : width_(width), height_(height), scale_(scale),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), 0) {}

void Canvas::Blend(int x, int y, uint32_t color, double coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage <= 0) {
        return;
    }
    uint32_t& dst = pixels_[static_cast<size_t>(y) * width_ + x];
    double sa = ((color >> 24) & 0xFF) / 255.0 * coverage;
    double da = ((dst >> 24) & 0xFF) / 255.0;
    double oa = sa + da * (1 - sa);
    if (oa <= 0) {
        dst = 0;
        return;
    }
    auto channel = [&](int shift) {
        double s = ((color >> shift) & 0xFF);
        double d = ((dst >> shift) & 0xFF);
        double v = (s * sa + d * da * (1 - sa)) / oa;
        return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    uint32_t r = channel(16), g = channel(8), b = channel(0);
    uint32_t a = static_cast<uint32_t>(std::lround(oa * 255));
    dst = (a << 24) | (r << 16) | (g << 8) | b;
}

template <class Inside>
void Canvas::Cover(double l, double t, double r, double b, uint32_t color, Inside inside) {
    int x0 = std::max(0, static_cast<int>(std::floor(l)));
    int y0 = std::max(0, static_cast<int>(std::floor(t)));
    int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(r)));
    int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(b)));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    double px = x + (sx + 0.5) / kSamples;
                    double py = y + (sy + 0.5) / kSamples;
                    if (inside(px, py)) {
                        ++hits;
                    }
                }
            }
            Blend(x, y, color, static_cast<double>(hits) / (kSamples * kSamples));
        }
    }
}

void Canvas::FillPolygon(const std::vector<std::pair<double, double>>& points, uint32_t color) {
    if (points.size() < 3) {
        return;
    }
    std::vector<std::pair<double, double>> p;
    double l = 1e9, t = 1e9, r = -1e9, b = -1e9;
    for (const auto& q : points) {
        double x = q.first * scale_, y = q.second * scale_;
        p.emplace_back(x, y);
        l = std::min(l, x);
        r = std::max(r, x);
        t = std::min(t, y);
        b = std::max(b, y);
    }
    Cover(l, t, r, b, color, [&p](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            if ((p[i].second > y) != (p[j].second > y) &&
                x < (p[j].first - p[i].first) * (y - p[i].second) / (p[j].second - p[i].second) +
                        p[i].first) {
                in = !in;
            }
        }
        return in;
    });
}

void Canvas::FillRect(double left, double top, double right, double bottom, uint32_t color) {
    FillPolygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}}, color);
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, uint32_t color) {
    double dx = x1 - x0, dy = y1 - y0;
    double len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) {
        return;
    }
    double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    FillPolygon({{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}},
                color);
}

void Canvas::FillArc(double cx, double cy, double outer, double inner, double fromDeg, double toDeg,
                     uint32_t color) {
    double x = cx * scale_, y = cy * scale_, ro = outer * scale_, ri = inner * scale_;
    double from = std::fmod(fromDeg + 720.0, 360.0);
    double span = toDeg - fromDeg;
    Cover(x - ro, y - ro, x + ro, y + ro, color, [=](double px, double py) {
        double dx = px - x, dy = y - py; // y up for the angle
        double d2 = dx * dx + dy * dy;
        if (d2 > ro * ro || d2 < ri * ri) {
            return false;
        }
        double a = std::atan2(dy, dx) * 180.0 / kPi;
        double rel = std::fmod(a - from + 720.0, 360.0);
        return rel <= span;
    });
}

HBITMAP Canvas::CreateBitmap() const {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp == nullptr) {
        ThrowLastError();
    }
    auto* dst = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        uint32_t p = pixels_[i];
        uint32_t a = p >> 24;
        uint32_t r = ((p >> 16) & 0xFF) * a / 255;
        uint32_t g = ((p >> 8) & 0xFF) * a / 255;
        uint32_t b = (p & 0xFF) * a / 255;
        dst[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    return bmp;
}

} // namespace tk
