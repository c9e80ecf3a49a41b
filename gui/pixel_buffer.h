#pragma once

#include <cstdint>
#include <vector>

#include "gui/surface.h"

namespace vellum {

// A drawing target in plain memory: 4 bytes a pixel, stride width x 4, placed in window
// coordinates by its region. Used as an off-screen tile where no platform canvas is needed
// (tests, tools, rendering into a bitmap-sized scratch area).
class xPixelBuffer final : public xSurface {
public:
    // A width x height buffer (negative sizes count as 0) filled with zero bytes, with its
    // pixel (0, 0) at window position (x, y).
    xPixelBuffer(int x, int y, int width, int height);

    // Moves the buffer; its size stays the one it was built with.
    void setRegion(const xRect& region) override;
    xRect getRegion() const override { return region_; }
    std::uint8_t* pixels() override { return bytes_.data(); }
    int stride() const override { return region_.width * 4; }

    // The four bytes of pixel (x, y) in buffer coordinates; null outside the buffer.
    const std::uint8_t* pixelAt(int x, int y) const;
    void fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red, std::uint8_t fourth);

private:
    xRect region_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace vellum
