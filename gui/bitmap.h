#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/subject.h"
#include "gui/surface.h"

namespace vellum {

// An image held in the toolkit's own pixel order, converted once when it is created:
//  - bit depth 32: 4 bytes a pixel, blue, green, red, alpha (straight, not premultiplied);
//  - bit depth 24: 4 bytes a pixel, blue, green, red, 0;
//  - bit depth 8: 1 byte a pixel, an index into a 256-entry palette of blue, green, red, 0.
// Its region is always (0, 0, width, height). Reference counted: see xRefCounted.
class xBitmap final : public xSurface, public xRefCounted {
public:
    // Builds a bitmap from tables in file order (pixels red, green, blue[, alpha] or palette
    // indices; palette entries red, green, blue, reserved), rows top to bottom without padding.
    // Tables shorter than the image needs leave the rest zero; a null table is an empty one.
    // Returns null for a bit depth other than 8, 24 or 32, a negative size, or an image of
    // more than kMaxPixels pixels. The new bitmap has a count of 0: it is the caller's until a
    // holder takes it (xSharedRef), and goes with the last holder.
    static xBitmap* create(int bitDepth, int width, int height, const std::uint8_t* pixelData, std::size_t pixelSize,
                           const std::uint8_t* paletteData = nullptr, std::size_t paletteSize = 0);

    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

    // Bitmaps do not move: setRegion does nothing.
    void setRegion(const xRect&) override { }
    xRect getRegion() const override { return {0, 0, width_, height_}; }
    std::uint8_t* pixels() override { return pixels_.data(); }
    const std::uint8_t* pixels() const { return pixels_.data(); }
    int stride() const override { return stride_; }

    int bitDepth() const { return bitDepth_; }
    int bytesPerPixel() const { return bytesPerPixel_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // 256 entries of blue, green, red, 0 for bit depth 8; null otherwise.
    const std::uint8_t* palette() const { return palette_.empty() ? nullptr : palette_.data(); }

private:
    xBitmap(int bitDepth, int width, int height);
    ~xBitmap() override = default;

    int bitDepth_;
    int bytesPerPixel_;
    int stride_;
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> palette_;
};

} // namespace vellum
