#include "gui/pixel_buffer.h"

#include <algorithm>
#include <cstddef>

namespace vellum {

xPixelBuffer::xPixelBuffer(int x, int y, int width, int height)
    : region_{x, y, std::max(width, 0), std::max(height, 0)},
      bytes_(static_cast<std::size_t>(region_.width) * static_cast<std::size_t>(region_.height) * 4, 0)
{ }

void xPixelBuffer::setRegion(const xRect& region)
{
    region_.x = region.x;
    region_.y = region.y;
}

const std::uint8_t* xPixelBuffer::pixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= region_.width || y >= region_.height)
        return nullptr;
    return bytes_.data()
        + (static_cast<std::size_t>(y) * static_cast<std::size_t>(region_.width) + static_cast<std::size_t>(x)) * 4;
}

void xPixelBuffer::fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red, std::uint8_t fourth)
{
    for (std::size_t i = 0; i + 3 < bytes_.size(); i += 4) {
        bytes_[i] = blue;
        bytes_[i + 1] = green;
        bytes_[i + 2] = red;
        bytes_[i + 3] = fourth;
    }
}

} // namespace vellum
