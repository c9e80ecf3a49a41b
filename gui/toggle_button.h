#pragma once

#include <atomic>
#include <cstdint>

#include "gui/strip.h"
#include "gui/subject.h"
#include "gui/view_link.h"
#include "gui/widget.h"

namespace vellum {

// A two-state button on an index view (0 or 1), drawn from a strip. It flips the value when
// the left button is released inside it after a press inside it (released outside, nothing
// changes), or when Space is released after being pressed while it had focus. Frames by mode:
//   1: frame = pressed (0 or 1);
//   2: frame 1 while pressed, otherwise 0 for value 0 and 2 for value 1;
//   3: frame = 2 x value + pressed;
//   any other mode: frame 0.
// Each flip is one gesture on the view. Nothing is drawn while the view's last reported value
// is not 0 or 1.
class xToggleButton final : public xWidget {
public:
    xToggleButton(xIntView& view, xBitmap* strip, xPoint position, xSize frameSize, int mode);

    void draw(xDrawContext& context) override;
    void onLeftDown(const xMouseEvent& event) override;
    void onLeftUp(const xMouseEvent& event) override;
    void onMouseMove(const xMouseEvent& event) override;
    void onKeyDown(xKeyEvent& event) override;
    void onKeyUp(xKeyEvent& event) override;

    bool isPressed() const { return pressed_; }

private:
    void viewChanged();
    void setPressed(bool pressed);
    void flip();

    xIntView& view_;
    xStrip strip_;
    int mode_;
    std::atomic<std::int32_t> cache_{-1};
    bool tracking_ = false;
    bool pressed_ = false;
    bool spaceHeld_ = false;
    xViewLink link_;
};

} // namespace vellum
