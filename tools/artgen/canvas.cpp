#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace artgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

double clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

std::uint8_t toByte(double v)
{
    return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.0));
}

double segmentDistance(double px, double py, double x0, double y0, double x1, double y1)
{
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

// Angle of (dx, dy) in degrees, 0 up, clockwise, in -180..180.
double angleOf(double dx, double dy)
{
    return std::atan2(dx, -dy) * 180.0 / kPi;
}

} // namespace

Colour rgb(int r, int g, int b, double a)
{
    return {r / 255.0, g / 255.0, b / 255.0, a};
}

Colour mixColour(const Colour& x, const Colour& y, double t)
{
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

Paint solid(Colour c)
{
    return [c](double, double) { return c; };
}

Paint verticalGradient(Colour top, double y0, Colour bottom, double y1)
{
    return [=](double, double y) { return mixColour(top, bottom, clamp01((y - y0) / (y1 - y0))); };
}

Shape disc(double cx, double cy, double r)
{
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape ring(double cx, double cy, double r, double width)
{
    return [=](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - r) <= width / 2; };
}

Shape arc(double cx, double cy, double r, double width, double a0, double a1)
{
    const double r0 = a0 * kPi / 180.0;
    const double r1 = a1 * kPi / 180.0;
    const double ex0 = cx + r * std::sin(r0), ey0 = cy - r * std::cos(r0);
    const double ex1 = cx + r * std::sin(r1), ey1 = cy - r * std::cos(r1);
    return [=](double x, double y) {
        const double a = angleOf(x - cx, y - cy);
        if (a >= a0 && a <= a1 && std::fabs(std::hypot(x - cx, y - cy) - r) <= width / 2)
            return true;
        return std::hypot(x - ex0, y - ey0) <= width / 2 || std::hypot(x - ex1, y - ey1) <= width / 2;
    };
}

Shape capsule(double x0, double y0, double x1, double y1, double width)
{
    return [=](double x, double y) { return segmentDistance(x, y, x0, y0, x1, y1) <= width / 2; };
}

Shape roundRect(double rx, double ry, double w, double h, double radius)
{
    return [=](double x, double y) {
        if (x < rx || y < ry || x > rx + w || y > ry + h)
            return false;
        const double qx = std::clamp(x, rx + radius, rx + w - radius);
        const double qy = std::clamp(y, ry + radius, ry + h - radius);
        return (x - qx) * (x - qx) + (y - qy) * (y - qy) <= radius * radius;
    };
}

Shape triangle(double x0, double y0, double x1, double y1, double x2, double y2)
{
    return [=](double x, double y) {
        const double d0 = (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
        const double d1 = (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1);
        const double d2 = (x0 - x2) * (y - y2) - (y0 - y2) * (x - x2);
        const bool hasNeg = d0 < 0 || d1 < 0 || d2 < 0;
        const bool hasPos = d0 > 0 || d1 > 0 || d2 > 0;
        return !(hasNeg && hasPos);
    };
}

Shape unite(Shape a, Shape b)
{
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

Shape subtract(Shape a, Shape b)
{
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      px_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
{ }

void Canvas::clear(Colour c)
{
    for (auto& p : px_)
        p = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
}

void Canvas::blendPixel(int x, int y, Colour c, double coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage <= 0)
        return;
    const double a = clamp01(c.a * coverage);
    Premul& p = px_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
    p.r = c.r * a + p.r * (1 - a);
    p.g = c.g * a + p.g * (1 - a);
    p.b = c.b * a + p.b * (1 - a);
    p.a = a + p.a * (1 - a);
}

void Canvas::fill(const Shape& shape, const Paint& paint, double opacity)
{
    constexpr int kSub = 8;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            int inside = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    if (shape(x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub))
                        ++inside;
                }
            }
            if (inside > 0)
                blendPixel(x, y, paint(x + 0.5, y + 0.5), opacity * inside / (kSub * kSub));
        }
    }
}

void Canvas::draw(const Canvas& other, int x, int y)
{
    for (int j = 0; j < other.height_; ++j) {
        for (int i = 0; i < other.width_; ++i) {
            const Colour c = other.pixel(i, j);
            blendPixel(x + i, y + j, c, 1.0);
        }
    }
}

void Canvas::drawRotatedLeft(const Canvas& other, int x, int y)
{
    // Source (i, j) lands at (x + j, y + other.width - 1 - i).
    for (int j = 0; j < other.height_; ++j) {
        for (int i = 0; i < other.width_; ++i)
            blendPixel(x + j, y + other.width_ - 1 - i, other.pixel(i, j), 1.0);
    }
}

Colour Canvas::pixel(int x, int y) const
{
    const Premul& p = px_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
    if (p.a <= 0)
        return {0, 0, 0, 0};
    return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

std::vector<std::uint8_t> Canvas::bytes(int bytesPerPixel) const
{
    std::vector<std::uint8_t> out;
    out.reserve(px_.size() * static_cast<std::size_t>(bytesPerPixel));
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const Colour c = pixel(x, y);
            const std::uint8_t alpha = toByte(c.a);
            // Fully transparent pixels carry black, so identical pictures give identical bytes.
            out.push_back(alpha ? toByte(c.r) : 0);
            out.push_back(alpha ? toByte(c.g) : 0);
            out.push_back(alpha ? toByte(c.b) : 0);
            if (bytesPerPixel == 4)
                out.push_back(alpha);
        }
    }
    return out;
}

} // namespace artgen
