#include "gui/bitmap.h"

#include <algorithm>

namespace vellum {

namespace {

// Reads byte i of a table, 0 past its end.
std::uint8_t byteAt(const std::uint8_t* table, std::size_t size, std::size_t i)
{
    return table && i < size ? table[i] : 0;
}

} // namespace

xBitmap::xBitmap(int bitDepth, int width, int height)
    : xRefCounted(0),
      bitDepth_(bitDepth),
      bytesPerPixel_(bitDepth == 8 ? 1 : 4),
      stride_(width * bytesPerPixel_),
      width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height), 0)
{
    if (bitDepth == 8)
        palette_.assign(256 * 4, 0);
}

xBitmap* xBitmap::create(int bitDepth, int width, int height, const std::uint8_t* pixelData, std::size_t pixelSize,
                         const std::uint8_t* paletteData, std::size_t paletteSize)
{
    if (bitDepth != 8 && bitDepth != 24 && bitDepth != 32)
        return nullptr;
    if (width < 0 || height < 0 || std::int64_t{width} * height > kMaxPixels)
        return nullptr;

    auto* bitmap = new xBitmap(bitDepth, width, height);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::uint8_t* out = bitmap->pixels_.data();
    switch (bitDepth) {
    case 32:
        for (std::size_t i = 0; i < count; ++i) {
            out[i * 4] = byteAt(pixelData, pixelSize, i * 4 + 2);
            out[i * 4 + 1] = byteAt(pixelData, pixelSize, i * 4 + 1);
            out[i * 4 + 2] = byteAt(pixelData, pixelSize, i * 4);
            out[i * 4 + 3] = byteAt(pixelData, pixelSize, i * 4 + 3);
        }
        break;
    case 24:
        for (std::size_t i = 0; i < count; ++i) {
            out[i * 4] = byteAt(pixelData, pixelSize, i * 3 + 2);
            out[i * 4 + 1] = byteAt(pixelData, pixelSize, i * 3 + 1);
            out[i * 4 + 2] = byteAt(pixelData, pixelSize, i * 3);
            out[i * 4 + 3] = 0;
        }
        break;
    default:
        if (pixelData)
            std::copy_n(pixelData, std::min(count, pixelSize), out);
        for (std::size_t e = 0; e < 256; ++e) {
            bitmap->palette_[e * 4] = byteAt(paletteData, paletteSize, e * 4 + 2);
            bitmap->palette_[e * 4 + 1] = byteAt(paletteData, paletteSize, e * 4 + 1);
            bitmap->palette_[e * 4 + 2] = byteAt(paletteData, paletteSize, e * 4);
            bitmap->palette_[e * 4 + 3] = 0;
        }
        break;
    }
    return bitmap;
}

} // namespace vellum
