#include "gui/widget.h"

#include "gui/root_interface.h"

namespace vellum {

xWidget::xWidget(const xRect& rect, bool focusable) : rect_(rect), focusable_(focusable), focusTarget_(this)
{ }

void xWidget::show(bool redraw)
{
    if (visible_)
        return;
    visible_ = true;
    if (redraw)
        invalidate();
}

void xWidget::hide(bool redraw)
{
    if (!visible_)
        return;
    visible_ = false;
    if (redraw)
        invalidate();
}

void xWidget::moveTo(int x, int y)
{
    const xRect old = rect_;
    rect_.x = x;
    rect_.y = y;
    invalidate(unite(old, rect_));
}

void xWidget::requestFocus()
{
    if (xRootInterface* root = parent())
        root->setFocus(focusTarget_);
}

void xWidget::invalidate()
{
    invalidate(rect_);
}

void xWidget::invalidate(const xRect& rect)
{
    if (xRootInterface* root = parent())
        root->invalidateRect(rect);
}

void xWidget::markHandled()
{
    if (xRootInterface* root = parent())
        root->markHandled();
}

} // namespace vellum
