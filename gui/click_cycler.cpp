#include "gui/click_cycler.h"

#include <algorithm>

namespace vellum {

xClickCycler::xClickCycler(xIntView& view, const xRect& rect, int states, bool focusable)
    : xWidget(rect, focusable),
      view_(view),
      states_(std::max(states, 1))
{ }

void xClickCycler::onLeftDown(const xMouseEvent& event)
{
    if (!contains(event))
        return;
    const xGestureScope gesture(view_);
    const std::int32_t index = view_.get();
    view_.set(index >= 0 && index < states_ - 1 ? index + 1 : 0);
}

} // namespace vellum
