#include "gui/draw_line.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gui/draw.h"

namespace vellum {

namespace {

// A straight run of pixels along one axis, cut to the region in 64 bits so that far-away ends
// cannot overflow.
void fillSpan(xSurface& surface, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
              xColour colour)
{
    const xRect region = surface.getRegion();
    left = std::max<std::int64_t>(left, region.x);
    top = std::max<std::int64_t>(top, region.y);
    right = std::min<std::int64_t>(right, region.right() - 1);
    bottom = std::min<std::int64_t>(bottom, region.bottom() - 1);
    if (left > right || top > bottom)
        return;
    fillRect(surface,
             {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left + 1),
              static_cast<int>(bottom - top + 1)},
             colour);
}

} // namespace

void drawLine(xSurface& surface, xPoint from, xPoint to, xColour colour)
{
    const std::int64_t dx = std::int64_t{to.x} - from.x;
    const std::int64_t dy = std::int64_t{to.y} - from.y;
    if (dx == 0 || dy == 0) {
        fillSpan(surface, std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x),
                 std::max(from.y, to.y), colour);
        return;
    }
    const xRect region = surface.getRegion();
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    // Walk the longer axis from the lower end, only over the part inside the region.
    const xPoint start = (alongX ? dx : dy) > 0 ? from : to;
    const std::int64_t major = alongX ? std::llabs(dx) : std::llabs(dy);
    // The same from either end: the minor coordinate's change per step along the major axis.
    const double slope =
        alongX ? static_cast<double>(dy) / static_cast<double>(dx) : static_cast<double>(dx) / static_cast<double>(dy);
    const std::int64_t majorStart = alongX ? start.x : start.y;
    const std::int64_t minorStart = alongX ? start.y : start.x;
    const std::int64_t regionFirst = alongX ? region.x : region.y;
    const std::int64_t regionLast = (alongX ? region.right() : region.bottom()) - 1;
    const std::int64_t first = std::max(majorStart, regionFirst);
    const std::int64_t last = std::min(majorStart + major, regionLast);
    for (std::int64_t m = first; m <= last; ++m) {
        const auto minor =
            minorStart + static_cast<std::int64_t>(std::floor(static_cast<double>(m - majorStart) * slope + 0.5));
        if (alongX)
            fillSpan(surface, m, minor, m, minor, colour);
        else
            fillSpan(surface, minor, m, minor, m, colour);
    }
}

void frameRect(xSurface& surface, const xRect& rect, xColour colour)
{
    if (rect.isEmpty())
        return;
    const std::int64_t left = rect.x;
    const std::int64_t top = rect.y;
    const std::int64_t right = left + rect.width - 1;
    const std::int64_t bottom = top + rect.height - 1;
    fillSpan(surface, left, top, right, top, colour);
    fillSpan(surface, left, bottom, right, bottom, colour);
    fillSpan(surface, left, top, left, bottom, colour);
    fillSpan(surface, right, top, right, bottom, colour);
}

} // namespace vellum
