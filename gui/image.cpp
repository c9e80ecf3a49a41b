#include "gui/image.h"

#include "gui/draw.h"

namespace vellum {

xImage::xImage(xBitmap* bitmap, xPoint position)
    : xWidget({position.x, position.y, bitmap ? bitmap->width() : 0, bitmap ? bitmap->height() : 0}, false),
      bitmap_(bitmap)
{ }

void xImage::draw(xDrawContext& context)
{
    if (!bitmap_)
        return;
    const xRect r = getRect();
    drawBitmap(*bitmap_, context.surface(), {0, 0}, {r.x, r.y}, {r.width, r.height});
}

} // namespace vellum
