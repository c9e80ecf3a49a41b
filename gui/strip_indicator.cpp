#include "gui/strip_indicator.h"

namespace vellum {

xStripIndicator::xStripIndicator(xIntView& view, xBitmap* strip, xPoint position, xSize frameSize, bool focusable)
    : xWidget({position.x, position.y, frameSize.width, frameSize.height}, focusable),
      view_(view),
      strip_(strip, frameSize),
      link_(view, [this] { viewChanged(); })
{ }

void xStripIndicator::viewChanged()
{
    const std::int32_t value = view_.get();
    if (value != cache_.exchange(value, std::memory_order_relaxed))
        invalidate();
}

void xStripIndicator::draw(xDrawContext& context)
{
    const xRect r = getRect();
    strip_.drawFrame(context, cache_.load(std::memory_order_relaxed), {r.x, r.y});
}

} // namespace vellum
