#include "gui/knob.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vellum {

namespace {

float bounded(float value)
{
    return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
}

} // namespace

xKnob::xKnob(xFloatView& view, xBitmap* strip, xPoint position, xSize frameSize)
    : xWidget({position.x, position.y, frameSize.width, frameSize.height}, true),
      view_(view),
      strip_(strip, frameSize),
      link_(view, [this] { viewChanged(); })
{ }

void xKnob::viewChanged()
{
    const float value = view_.get();
    if (value == cache_.load(std::memory_order_relaxed))
        return;
    cache_.store(value, std::memory_order_relaxed);
    invalidate();
}

float xKnob::currentValue()
{
    return bounded(view_.get());
}

xKnob::~xKnob()
{
    endDrag();
}

void xKnob::write(float value)
{
    view_.set(bounded(value));
}

void xKnob::writeStep(float value)
{
    const xGestureScope gesture(view_);
    write(value);
}

void xKnob::endDrag()
{
    if (!dragging_)
        return;
    dragging_ = false;
    view_.endGesture();
}

void xKnob::draw(xDrawContext& context)
{
    const float value = cache_.load(std::memory_order_relaxed);
    if (value == -1.0f || strip_.frameCount() < 1)
        return;
    const auto last = static_cast<float>(strip_.frameCount() - 1);
    const auto frame = static_cast<int>(std::lround(last * bounded(value)));
    const xRect r = getRect();
    strip_.drawFrame(context, frame, {r.x, r.y});
}

void xKnob::onLeftDown(const xMouseEvent& event)
{
    if (!contains(event))
        return;
    requestFocus();
    if (!dragging_)
        view_.beginGesture();
    dragging_ = true;
    lastY_ = event.y;
    dragValue_ = currentValue();
}

void xKnob::onLeftUp(const xMouseEvent&)
{
    endDrag();
}

void xKnob::onMouseMove(const xMouseEvent& event)
{
    if (!dragging_)
        return;
    const float step = event.isShift() ? kFineDragStep : kDragStep;
    const auto pixels = static_cast<float>(std::int64_t{lastY_} - event.y);
    dragValue_ = bounded(dragValue_ + pixels * step);
    lastY_ = event.y;
    write(dragValue_);
}

void xKnob::onWheel(xWheelEvent& event)
{
    const int notch = event.notch > 0 ? event.notch : 120;
    // The rest is always within one notch, so a huge delta cannot overflow it and moves the
    // value by one step at most.
    const std::int64_t total = std::int64_t{wheelRest_} + event.delta;
    float value = currentValue();
    if (total >= notch) {
        value += kWheelStep;
        wheelRest_ = 0;
    } else if (total <= -notch) {
        value -= kWheelStep;
        wheelRest_ = 0;
    } else {
        wheelRest_ = static_cast<int>(total);
    }
    writeStep(value);
    event.handled = 1;
}

void xKnob::onKeyDown(xKeyEvent& event)
{
    float value = currentValue();
    switch (event.key) {
    case key::kPageUp: value += kPageStep; break;
    case key::kPageDown: value -= kPageStep; break;
    case key::kUp: value += kArrowStep; break;
    case key::kDown: value -= kArrowStep; break;
    case key::kHome: value = 1.0f; break;
    case key::kEnd: value = 0.0f; break;
    default: return;
    }
    writeStep(value);
    event.handled = 1;
}

} // namespace vellum
