#include "editor/breakpoint_editor.h"

#include <cmath>
#include <cstdint>

#include "editor/editor_style.h"
#include "editor/envelope_readout.h"
#include "gui/draw.h"

namespace ostrel {

using namespace vellum;

BreakpointEditor::BreakpointEditor(const xRect& rect, EnvelopeReadout* readout, std::vector<xFloatView*> views,
                                   const std::vector<float>& start, const std::array<xBitmap*, kPointCount>& markers)
    : xWidget(rect, true),
      views_(std::move(views)),
      readout_(readout)
{
    views_.resize(kMaxViews, nullptr);
    for (std::size_t i = 0; i < cache_.size(); ++i)
        cache_[i].store(i < start.size() ? start[i] : 0.0f, std::memory_order_relaxed);
    for (std::size_t k = 0; k < markers_.size(); ++k)
        markers_[k].reset(markers[k]);
    for (int i = 0; i < kMaxViews; ++i) {
        xFloatView* view = views_[static_cast<std::size_t>(i)];
        if (!view)
            continue;
        links_.push_back(std::make_unique<xViewLink>(*view, [this, i] { viewChanged(i); }));
        // A view that already holds a value shows it at once.
        viewChanged(i);
    }
}

BreakpointEditor::~BreakpointEditor()
{
    endDrag();
}

void BreakpointEditor::setPlayPositions(const PlayPositions* positions)
{
    positions_.store(positions, std::memory_order_release);
}

void BreakpointEditor::viewChanged(int i)
{
    const float value = views_[static_cast<std::size_t>(i)]->get();
    if (std::isnan(value) || value == cache_[static_cast<std::size_t>(i)].load(std::memory_order_relaxed))
        return;
    cache_[static_cast<std::size_t>(i)].store(value, std::memory_order_relaxed);
    invalidate();
}

void BreakpointEditor::write(int i, float normalized)
{
    xFloatView* view = views_[static_cast<std::size_t>(i)];
    if (!view)
        return;
    cache_[static_cast<std::size_t>(i)].store(normalized, std::memory_order_relaxed);
    invalidate();
    view->set(normalized);
}

void BreakpointEditor::draw(xDrawContext& context)
{
    const xRect r = getRect();
    if (!context.touches(r))
        return;
    drawGraph(context);
    const xRect marker = intersect(markerRect(), r);
    if (!marker.isEmpty())
        fillRect(context.surface(), marker, style::kPlayMarker);
}

void BreakpointEditor::drawPoint(xDrawContext& context, int k, float x, float y) const
{
    const xBitmap* marker = markers_[static_cast<std::size_t>(k)].get();
    if (!marker)
        return;
    const xPoint at{static_cast<int>(std::lround(x)) - marker->width() / 2,
                    static_cast<int>(std::lround(y)) - marker->height() / 2};
    drawBitmap(*marker, context.surface(), {0, 0}, at, {marker->width(), marker->height()});
}

xRect BreakpointEditor::markerRect() const
{
    float x = 0.0f;
    float y = 0.0f;
    if (!standing_.hasVoice || !markerAt(standing_, x, y) || !std::isfinite(x) || !std::isfinite(y))
        return {};
    // Far outside the window only happens with broken data; such a marker is not drawn.
    if (std::fabs(x) > 1.0e6f || std::fabs(y) > 1.0e6f)
        return {};
    // Its top-left corner one pixel up and left of the point, truncated toward zero.
    return {static_cast<int>(x - 1.0f), static_cast<int>(y - 1.0f), 3, 3};
}

void BreakpointEditor::onLeftDown(const xMouseEvent& event)
{
    if (!contains(event) || dragging_)
        return;
    const int point = pointAt({event.x, event.y});
    if (point < 0)
        return;
    requestFocus();
    dragging_ = true;
    dragged_ = point;
    dragStart_ = lastMouse_ = {event.x, event.y};
    startDrag(point);
    gestureViews_ = viewsOf(point);
    for (int i : gestureViews_) {
        if (xFloatView* view = views_[static_cast<std::size_t>(i)])
            view->beginGesture();
    }
    showReadout(point);
}

void BreakpointEditor::onMouseMove(const xMouseEvent& event)
{
    if (dragging_) {
        if (event.x == lastMouse_.x && event.y == lastMouse_.y)
            return;
        lastMouse_ = {event.x, event.y};
        dragTo(dragged_, static_cast<double>(std::int64_t{event.x} - dragStart_.x),
               static_cast<double>(std::int64_t{event.y} - dragStart_.y));
        showReadout(dragged_);
        return;
    }
    const int point = contains(event) ? pointAt({event.x, event.y}) : -1;
    if (point == hovered_)
        return;
    hovered_ = point;
    hoverTicks_ = 0;
    hideReadout();
}

void BreakpointEditor::onLeftUp(const xMouseEvent&)
{
    if (!dragging_)
        return;
    endDrag();
    hideReadout();
    hovered_ = -1;
    hoverTicks_ = 0;
}

void BreakpointEditor::endDrag()
{
    if (!dragging_)
        return;
    dragging_ = false;
    for (int i : gestureViews_) {
        if (xFloatView* view = views_[static_cast<std::size_t>(i)])
            view->endGesture();
    }
    gestureViews_.clear();
}

void BreakpointEditor::onTimer()
{
    const PlayPositions* positions = positions_.load(std::memory_order_acquire);
    standing_ = positions ? positions->read() : PlayPositions::Snapshot{};
    const xRect marker = markerRect();
    if (!(marker == shownMarker_)) {
        invalidate(intersect(shownMarker_, getRect()));
        invalidate(intersect(marker, getRect()));
        shownMarker_ = marker;
    }
    if (dragging_ || hovered_ < 0)
        return;
    if (hoverTicks_ < kHoverDelayTicks)
        ++hoverTicks_;
    if (hoverTicks_ >= kHoverDelayTicks)
        showReadout(hovered_);
}

void BreakpointEditor::showReadout(int point)
{
    readoutShown_ = true;
    if (readout_)
        readout_->showAt(readoutText(point), readoutAnchor(point), getRect());
}

void BreakpointEditor::hideReadout()
{
    if (!readoutShown_)
        return;
    readoutShown_ = false;
    if (readout_)
        readout_->hide(true);
}

void BreakpointEditor::forgetWidget(xWidget* gone)
{
    if (gone == readout_)
        readout_ = nullptr;
}

} // namespace ostrel
