#include "gui/hover_hint.h"

#include "gui/root_interface.h"

namespace vellum {

xHoverHint::xHoverHint(xWidget* decorated, xWidget* hint)
    : xWidget(decorated ? decorated->getRect() : xRect{}, decorated && decorated->canTakeFocus()),
      decorated_(decorated ? decorated : new xWidget({}, false)),
      hint_(hint)
{
    decorated_->setFocusTarget(this);
    if (hint_)
        hint_->hide(false);
}

void xHoverHint::setParent(xRootInterface* root)
{
    xWidget::setParent(root);
    decorated_->setParent(root);
}

void xHoverHint::showHint()
{
    if (hint_)
        hint_->show(true);
}

void xHoverHint::hideHint()
{
    if (hint_)
        hint_->hide(true);
}

void xHoverHint::onLeftDown(const xMouseEvent& event)
{
    decorated_->onLeftDown(event);
    if (!isEnabled() || !decorated_->getRect().contains({event.x, event.y}))
        return;
    pressed_ = true;
    showHint();
}

void xHoverHint::onLeftUp(const xMouseEvent& event)
{
    decorated_->onLeftUp(event);
    if (!isEnabled())
        return;
    pressed_ = false;
    hovering_ = false;
    ticks_ = 0;
    hideHint();
}

void xHoverHint::onMouseMove(const xMouseEvent& event)
{
    decorated_->onMouseMove(event);
    if (!isEnabled())
        return;
    if (!decorated_->getRect().contains({event.x, event.y})) {
        hovering_ = false;
        ticks_ = 0;
        if (!pressed_)
            hideHint();
        return;
    }
    if (pressed_) {
        showHint();
        return;
    }
    if (!hovering_) {
        xRootInterface* root = parent();
        const xWidget* focus = root ? root->getFocus() : nullptr;
        hovering_ = !focus || focus == this || (event.state & mouse::kButtons) == 0;
    }
}

void xHoverHint::onTimer()
{
    decorated_->onTimer();
    if (!isEnabled() || !hovering_)
        return;
    if (ticks_ < kDelayTicks)
        ++ticks_;
    if (ticks_ >= kDelayTicks)
        showHint();
}

void xHoverHint::forgetWidget(xWidget* gone)
{
    if (gone == hint_)
        hint_ = nullptr;
    decorated_->forgetWidget(gone);
}

} // namespace vellum
