#include "gui/modal_panel.h"

#include "gui/root_interface.h"

namespace vellum {

xModalPanel::xModalPanel(const xRect& rect, xColour colour) : xColorPanel(rect, colour)
{ }

void xModalPanel::show(bool redraw)
{
    xRootInterface* root = parent();
    if (!shown_ && root && isEnabled()) {
        root->setModal(this);
        shown_ = true;
    }
    xColorPanel::show(redraw);
}

void xModalPanel::hide(bool redraw)
{
    xColorPanel::hide(redraw);
    if (!shown_)
        return;
    shown_ = false;
    if (xRootInterface* root = parent())
        root->setModal(nullptr);
}

void xModalPanel::close()
{
    disable();
    hide(true);
}

void xModalPanel::onLeftDown(const xMouseEvent& event)
{
    if (!contains(event))
        close();
    markHandled();
}

void xModalPanel::onKeyDown(xKeyEvent& event)
{
    if (event.key != key::kEscape)
        return;
    close();
    event.handled = 1;
}

} // namespace vellum
