#pragma once

#include <cstdint>

#include "gui/rect.h"

namespace vellum {

// A block of pixels that drawing reads from or writes to: bitmaps and the tile canvas.
// Pixels are 4 bytes each in the order blue, green, red, fourth byte (alpha for 32-bit
// images), rows top to bottom, `stride` bytes apart. The region tells where pixel (0, 0) lies
// in window coordinates and how far the surface reaches; drawing operations take window
// coordinates and clip to it.
class xSurface {
public:
    virtual ~xSurface() = default;
    virtual void setRegion(const xRect& region) = 0;
    virtual xRect getRegion() const = 0;
    virtual std::uint8_t* pixels() = 0;
    virtual int stride() const = 0;

protected:
    xSurface() = default;
    xSurface(const xSurface&) = default;
    xSurface& operator=(const xSurface&) = default;
};

} // namespace vellum
