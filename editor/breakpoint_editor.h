#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/play_positions.h"
#include "gui/bitmap.h"
#include "gui/shared_ref.h"
#include "gui/subject.h"
#include "gui/view_link.h"
#include "gui/widget.h"

namespace ostrel {

class EnvelopeReadout;

// What the two envelope editors share: breakpoints on normalized parameter views, dragged
// with the left button (one gesture on the dragged point's views from press to release), a
// readout beside the point being dragged or resting under the pointer for a second, and the
// play marker of the voice started last.
//
// The editor keeps a cache of every view it shows (normalized values), refreshed by the views'
// notifications from whatever thread wrote them, and writes drags through the same views. It
// owns no value of its own. User-interface thread, except the notifications and
// setPlayPositions.
class BreakpointEditor : public vellum::xWidget {
public:
    static constexpr int kMaxViews = 10;
    static constexpr int kPointCount = 5;
    static constexpr int kHoverDelayTicks = 20; // one second of the 50 ms timer
    static constexpr int kPickDistance = 6;     // a point is hit within 5 pixels each way

    ~BreakpointEditor() override;

    // Where the engine publishes the play positions; null (the start) shows no marker. Any
    // thread; the record must outlive the editor.
    void setPlayPositions(const PlayPositions* positions);

    void draw(vellum::xDrawContext& context) override;
    void onLeftDown(const vellum::xMouseEvent& event) override;
    void onLeftUp(const vellum::xMouseEvent& event) override;
    void onMouseMove(const vellum::xMouseEvent& event) override;
    void onTimer() override;
    void forgetWidget(vellum::xWidget* gone) override;

    // -1 when none.
    int draggedPoint() const { return dragging_ ? dragged_ : -1; }
    int hoveredPoint() const { return hovered_; }
    bool isReadoutShown() const { return readoutShown_; }

protected:
    // views: up to kMaxViews normalized views (null entries stay at their start value);
    // start: the cache until a view reports. markers: "circle0".."circle4", one per point.
    BreakpointEditor(const vellum::xRect& rect, EnvelopeReadout* readout, std::vector<vellum::xFloatView*> views,
                     const std::vector<float>& start, const std::array<vellum::xBitmap*, kPointCount>& markers);

    // Cached normalized value of view i.
    float cached(int i) const { return cache_[static_cast<std::size_t>(i)].load(std::memory_order_relaxed); }
    // Caches a value and writes it through view i (nothing for a missing view).
    void write(int i, float normalized);
    bool hasView(int i) const { return views_[static_cast<std::size_t>(i)] != nullptr; }

    // The point the mouse is on (-1: none); the highest-numbered wins.
    virtual int pointAt(vellum::xPoint mouse) const = 0;
    // A drag of `point` starts: remember what the drag is measured from.
    virtual void startDrag(int point) = 0;
    // The mouse is (dx, dy) pixels from where the drag started: write the point's new values.
    virtual void dragTo(int point, double dx, double dy) = 0;
    // The views a drag of the point writes (indices into the views).
    virtual std::vector<int> viewsOf(int point) const = 0;
    virtual std::string readoutText(int point) const = 0;
    // Where the readout of a point is placed beside.
    virtual vellum::xPoint readoutAnchor(int point) const = 0;
    // The marker point for the published positions; false: no marker.
    virtual bool markerAt(const PlayPositions::Snapshot& standing, float& x, float& y) const = 0;
    virtual void drawGraph(vellum::xDrawContext& context) = 0;

    // Draws point k's marker bitmap centred on (x, y).
    void drawPoint(vellum::xDrawContext& context, int k, float x, float y) const;

private:
    void viewChanged(int i);
    void showReadout(int point);
    void hideReadout();
    void endDrag();
    // The 3 x 3 square of the play marker for the standing sampled last; empty: none.
    vellum::xRect markerRect() const;

    std::vector<vellum::xFloatView*> views_;
    std::array<std::atomic<float>, kMaxViews> cache_;
    EnvelopeReadout* readout_;
    std::array<vellum::xSharedRef<vellum::xBitmap>, kPointCount> markers_;

    std::atomic<const PlayPositions*> positions_{nullptr};
    PlayPositions::Snapshot standing_; // sampled at the last timer tick
    vellum::xRect shownMarker_;        // where the marker was drawn for it

    bool dragging_ = false;
    int dragged_ = -1;
    vellum::xPoint dragStart_;
    vellum::xPoint lastMouse_;
    int hovered_ = -1;
    int hoverTicks_ = 0;
    bool readoutShown_ = false;
    std::vector<int> gestureViews_; // the views of the drag going on

    // Last: removed first, so no notification reaches a half-destroyed editor.
    std::vector<std::unique_ptr<vellum::xViewLink>> links_;
};

} // namespace ostrel
