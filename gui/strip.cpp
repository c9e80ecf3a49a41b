#include "gui/strip.h"

#include "gui/draw.h"

namespace vellum {

xStrip::xStrip(xBitmap* bitmap, xSize frameSize)
    : bitmap_(bitmap),
      frameSize_(frameSize),
      frameCount_(bitmap && frameSize.width > 0 && frameSize.height > 0 ? bitmap->height() / frameSize.height : 0)
{ }

void xStrip::drawFrame(xDrawContext& context, int frame, xPoint position) const
{
    if (frame < 0 || frame >= frameCount_)
        return;
    if (!context.touches({position.x, position.y, frameSize_.width, frameSize_.height}))
        return;
    drawBitmap(*bitmap_, context.surface(), {0, frame * frameSize_.height}, position, frameSize_);
}

} // namespace vellum
