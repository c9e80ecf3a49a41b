#include "gui/toggle_button.h"

namespace vellum {

xToggleButton::xToggleButton(xIntView& view, xBitmap* strip, xPoint position, xSize frameSize, int mode)
    : xWidget({position.x, position.y, frameSize.width, frameSize.height}, true),
      view_(view),
      strip_(strip, frameSize),
      mode_(mode),
      link_(view, [this] { viewChanged(); })
{ }

void xToggleButton::viewChanged()
{
    const std::int32_t value = view_.get();
    if (value == cache_.exchange(value, std::memory_order_relaxed))
        return;
    invalidate();
}

void xToggleButton::draw(xDrawContext& context)
{
    const std::int32_t value = cache_.load(std::memory_order_relaxed);
    if (value != 0 && value != 1)
        return;
    const int pressed = pressed_ ? 1 : 0;
    int frame = 0;
    switch (mode_) {
    case 1: frame = pressed; break;
    case 2: frame = pressed ? 1 : 2 * value; break;
    case 3: frame = 2 * value + pressed; break;
    default: break;
    }
    const xRect r = getRect();
    strip_.drawFrame(context, frame, {r.x, r.y});
}

void xToggleButton::setPressed(bool pressed)
{
    if (pressed == pressed_)
        return;
    pressed_ = pressed;
    invalidate();
}

void xToggleButton::flip()
{
    // 0 becomes 1, 1 wraps to 0, and so does a value out of range.
    const xGestureScope gesture(view_);
    view_.set(view_.get() == 0 ? 1 : 0);
}

void xToggleButton::onLeftDown(const xMouseEvent& event)
{
    if (!contains(event))
        return;
    requestFocus();
    tracking_ = true;
    setPressed(true);
}

void xToggleButton::onMouseMove(const xMouseEvent& event)
{
    if (tracking_)
        setPressed(contains(event));
}

void xToggleButton::onLeftUp(const xMouseEvent& event)
{
    if (!tracking_)
        return;
    tracking_ = false;
    if (contains(event))
        flip();
    setPressed(false);
}

void xToggleButton::onKeyDown(xKeyEvent& event)
{
    if (event.key != key::kSpace)
        return;
    spaceHeld_ = true;
    setPressed(true);
    event.handled = 1;
}

void xToggleButton::onKeyUp(xKeyEvent& event)
{
    if (event.key != key::kSpace)
        return;
    // Only a Space pressed while the button had focus flips it.
    if (spaceHeld_) {
        spaceHeld_ = false;
        flip();
        setPressed(false);
    }
    event.handled = 1;
}

} // namespace vellum
