#include "gui/tile_canvas.h"

#include <algorithm>

namespace vellum {

xTileCanvas::xTileCanvas() : own_(kBytes), pixels_(own_.data())
{
    for (std::size_t i = 0; i < kBytes; i += 4) {
        own_[i] = 0;
        own_[i + 1] = 255;
        own_[i + 2] = 0;
        own_[i + 3] = 0;
    }
}

void xTileCanvas::usePixels(std::uint8_t* memory)
{
    std::uint8_t* next = memory ? memory : own_.data();
    if (next != pixels_)
        std::copy_n(pixels_, kBytes, next);
    pixels_ = next;
}

void xTileCanvas::setRegion(const xRect& tile)
{
    region_ = {tile.x, tile.y, std::clamp(tile.width, 0, kSize), std::clamp(tile.height, 0, kSize)};
}

} // namespace vellum
