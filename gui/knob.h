#pragma once

#include <atomic>

#include "gui/strip.h"
#include "gui/subject.h"
#include "gui/view_link.h"
#include "gui/widget.h"

namespace vellum {

// A knob drawn from an animation strip, on a normalized view (0..1).
//  - drag: 120 pixels up take the value from 0 to 1 (1200 with shift held); horizontal
//    movement is ignored.
//  - wheel: each notch (120 units, partial rotations add up) moves the value by 0.02.
//  - keys while focused: Page Up/Down +-1/12, Up/Down +-1/120, Home 1, End 0.
// A drag is one gesture on the view, from the press to the release; a wheel notch or a key is
// one too. Every change is clamped to 0..1 (a value that is not a number counts as 0) and written to
// the view; the knob redraws when the view reports a different value, so changes from the host
// show up by themselves. Nothing is drawn until the view has reported once.
class xKnob final : public xWidget {
public:
    static constexpr float kDragStep = 1.0f / 120.0f;
    static constexpr float kFineDragStep = 1.0f / 1200.0f;
    static constexpr float kWheelStep = 0.02f;
    static constexpr float kPageStep = 1.0f / 12.0f;
    static constexpr float kArrowStep = 1.0f / 120.0f;

    // Holds a reference to the strip.
    xKnob(xFloatView& view, xBitmap* strip, xPoint position, xSize frameSize);
    // Ends a drag that is still going on.
    ~xKnob() override;

    void draw(xDrawContext& context) override;
    void onLeftDown(const xMouseEvent& event) override;
    void onLeftUp(const xMouseEvent& event) override;
    void onMouseMove(const xMouseEvent& event) override;
    void onWheel(xWheelEvent& event) override;
    void onKeyDown(xKeyEvent& event) override;

    bool isDragging() const { return dragging_; }

private:
    void viewChanged();
    // Reads the view, bounded to 0..1.
    float currentValue();
    void write(float value);
    // One step (a wheel notch, a key) as a gesture of its own.
    void writeStep(float value);
    void endDrag();

    xFloatView& view_;
    xStrip strip_;
    std::atomic<float> cache_{-1.0f}; // the view's last reported value; -1 until it reports
    bool dragging_ = false;
    int lastY_ = 0;
    float dragValue_ = 0.0f;
    int wheelRest_ = 0; // rotation that has not made a whole notch yet
    xViewLink link_;
};

} // namespace vellum
