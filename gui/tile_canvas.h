#pragma once

#include <cstdint>
#include <vector>

#include "gui/surface.h"

namespace vellum {

// The one off-screen surface every paint goes through: 128 x 128 pixels, 512 bytes a row, blue,
// green, red, fourth byte, rows top to bottom. Its region is the tile being painted (window
// coordinates, at most 128 x 128); drawing clips to it. Filled with green when it is made and
// never cleared afterwards: what a tile shows is what its widgets draw.
class xTileCanvas final : public xSurface {
public:
    static constexpr int kSize = 128;
    static constexpr int kStride = kSize * 4;
    static constexpr std::size_t kBytes = static_cast<std::size_t>(kStride) * kSize;

    xTileCanvas();

    // Draws into `memory` (kBytes, e.g. a platform bitmap the binding blits from) from now on;
    // the current pixels are copied there first. Null goes back to the canvas's own memory.
    // The caller keeps the memory alive while it is in use.
    void usePixels(std::uint8_t* memory);

    // Places the tile; width and height are bounded to 0..128.
    void setRegion(const xRect& tile) override;
    xRect getRegion() const override { return region_; }
    std::uint8_t* pixels() override { return pixels_; }
    const std::uint8_t* pixels() const { return pixels_; }
    int stride() const override { return kStride; }

private:
    std::vector<std::uint8_t> own_;
    std::uint8_t* pixels_;
    xRect region_{0, 0, kSize, kSize};
};

// Where a painted tile goes: the window's device context on Windows, a memory surface in the
// headless binding.
class xTileSink {
public:
    virtual ~xTileSink() = default;
    // The canvas holds the finished tile in its top-left `tile.width` x `tile.height` pixels;
    // show them at the tile's window position (a plain copy).
    virtual void copyTile(const xTileCanvas& canvas, const xRect& tile) = 0;

protected:
    xTileSink() = default;
    xTileSink(const xTileSink&) = default;
    xTileSink& operator=(const xTileSink&) = default;
};

} // namespace vellum
