#pragma once

#include <algorithm>
#include <cstdint>

namespace vellum {

// A point in window (or bitmap) pixel coordinates.
struct xPoint {
    int x = 0;
    int y = 0;
};

// A width and height in pixels.
struct xSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const xSize&, const xSize&) = default;
};

// A rectangle: top-left corner and size in pixels. A rectangle whose width or height is below
// 1 covers no pixel.
struct xRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool isEmpty() const { return width < 1 || height < 1; }
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool contains(xPoint p) const { return p.x >= x && p.y >= y && p.x < right() && p.y < bottom(); }
    friend bool operator==(const xRect&, const xRect&) = default;
};

// The common part of two rectangles; the empty rectangle (all four values 0) when they do not
// overlap. Computed in 64 bits so that rectangles reaching near the ends of the int range
// cannot overflow.
inline xRect intersect(const xRect& a, const xRect& b)
{
    const std::int64_t left = std::max<std::int64_t>(a.x, b.x);
    const std::int64_t top = std::max<std::int64_t>(a.y, b.y);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{a.x} + a.width, std::int64_t{b.x} + b.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{a.y} + a.height, std::int64_t{b.y} + b.height);
    if (right - left < 1 || bottom - top < 1)
        return {};
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
            static_cast<int>(bottom - top)};
}

// The smallest rectangle holding both; an empty rectangle adds nothing.
inline xRect unite(const xRect& a, const xRect& b)
{
    if (a.isEmpty())
        return b.isEmpty() ? xRect{} : b;
    if (b.isEmpty())
        return a;
    const std::int64_t left = std::min(a.x, b.x);
    const std::int64_t top = std::min(a.y, b.y);
    const std::int64_t right = std::max(std::int64_t{a.x} + a.width, std::int64_t{b.x} + b.width);
    const std::int64_t bottom = std::max(std::int64_t{a.y} + a.height, std::int64_t{b.y} + b.height);
    constexpr std::int64_t kMax = 0x7fffffff;
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(std::min(right - left, kMax)),
            static_cast<int>(std::min(bottom - top, kMax))};
}

} // namespace vellum
