#include "gui/draw.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

namespace vellum {

namespace {

// The part of the surface's region that may be written, empty when the surface cannot be
// drawn on.
xRect drawableRegion(xSurface& surface)
{
    const xRect region = surface.getRegion();
    if (!surface.pixels() || region.isEmpty() || surface.stride() / 4 < region.width)
        return {};
    return region;
}

// Address of window pixel (x, y), which must lie inside the region.
std::uint8_t* pixelAddress(xSurface& surface, const xRect& region, int x, int y)
{
    return surface.pixels() + static_cast<std::ptrdiff_t>(x - region.x) * 4
        + static_cast<std::ptrdiff_t>(y - region.y) * surface.stride();
}

std::uint8_t mix(std::uint8_t old, int wanted, int amount)
{
    return static_cast<std::uint8_t>(old + (((wanted - old) * amount) >> 8));
}

} // namespace

void fillRect(xSurface& surface, const xRect& rect, xColour colour)
{
    const xRect region = drawableRegion(surface);
    const xRect area = intersect(rect, region);
    for (int y = area.y; y < area.bottom(); ++y) {
        std::uint8_t* p = pixelAddress(surface, region, area.x, y);
        for (int x = 0; x < area.width; ++x, p += 4) {
            p[0] = colour.blue;
            p[1] = colour.green;
            p[2] = colour.red;
            p[3] = 255;
        }
    }
}

void blendRect(xSurface& surface, const xRect& rect, xColour colour, int opacity)
{
    const int amount = std::clamp(opacity, 0, 255);
    const xRect region = drawableRegion(surface);
    const xRect area = intersect(rect, region);
    for (int y = area.y; y < area.bottom(); ++y) {
        std::uint8_t* p = pixelAddress(surface, region, area.x, y);
        for (int x = 0; x < area.width; ++x, p += 4) {
            p[0] = mix(p[0], colour.blue, amount);
            p[1] = mix(p[1], colour.green, amount);
            p[2] = mix(p[2], colour.red, amount);
        }
    }
}

void drawBitmap(const xBitmap& bitmap, xSurface& surface, xPoint source, xPoint destination, xSize size)
{
    const xRect region = drawableRegion(surface);
    // Where the whole bitmap would land with this placement; the section is cut to it. A
    // placement beyond the coordinate range cannot touch the surface.
    const std::int64_t placedX = std::int64_t{destination.x} - source.x;
    const std::int64_t placedY = std::int64_t{destination.y} - source.y;
    if (placedX < INT_MIN || placedX > INT_MAX || placedY < INT_MIN || placedY > INT_MAX)
        return;
    const xRect bitmapPlaced{static_cast<int>(placedX), static_cast<int>(placedY), bitmap.width(), bitmap.height()};
    const xRect area =
        intersect(intersect({destination.x, destination.y, size.width, size.height}, region), bitmapPlaced);
    const std::uint8_t* pixels = bitmap.pixels();
    const std::uint8_t* palette = bitmap.palette();
    const int bytes = bitmap.bytesPerPixel();
    for (int y = area.y; y < area.bottom(); ++y) {
        std::uint8_t* p = pixelAddress(surface, region, area.x, y);
        const std::uint8_t* s = pixels + static_cast<std::ptrdiff_t>(y - bitmapPlaced.y) * bitmap.stride()
            + static_cast<std::ptrdiff_t>(area.x - bitmapPlaced.x) * bytes;
        for (int x = 0; x < area.width; ++x, p += 4, s += bytes) {
            switch (bitmap.bitDepth()) {
            case 32:
                p[0] = mix(p[0], s[0], s[3]);
                p[1] = mix(p[1], s[1], s[3]);
                p[2] = mix(p[2], s[2], s[3]);
                break;
            case 24: std::copy_n(s, 4, p); break;
            default: {
                const std::uint8_t* entry = palette + static_cast<std::size_t>(s[0]) * 4;
                std::copy_n(entry, 3, p);
                break;
            }
            }
        }
    }
}

} // namespace vellum
