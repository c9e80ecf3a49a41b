#include "gui/cycle_switch.h"

namespace vellum {

xCycleSwitch::xCycleSwitch(xIntView& view, xBitmap* strip, const xRect& rect, int states, bool focusable)
    : xWidget(rect, focusable),
      cycler_(view, rect, states, focusable),
      indicator_(view, strip, {rect.x, rect.y}, {rect.width, rect.height}, focusable)
{ }

void xCycleSwitch::setParent(xRootInterface* root)
{
    xWidget::setParent(root);
    cycler_.setParent(root);
    indicator_.setParent(root);
}

} // namespace vellum
