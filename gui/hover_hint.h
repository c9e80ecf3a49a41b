#pragma once

#include <memory>

#include "gui/widget.h"

namespace vellum {

// Decorates a widget with a hint (e.g. a knob with a value display) that shows while the
// pointer rests on the widget or presses it. The decorator takes the decorated widget's
// rectangle and place in the layer: it owns the decorated widget, forwards every drawing, input
// and timer call to it, and becomes its focus target. The hint widget belongs to a layer of its
// own (so it is drawn above its neighbours); the decorator only shows and hides it.
//  - a left press inside shows the hint; it stays while the button is held;
//  - after 20 timer ticks (one second) of resting inside, the hint shows;
//  - moving outside hides it (unless the press that showed it is still held), and so does the
//    release of the left button, which restarts the resting time.
// Resting starts when nothing has focus, when the decorator has it, or when no button is held,
// so dragging another control across the widget shows nothing.
class xHoverHint final : public xWidget {
public:
    static constexpr int kDelayTicks = 20;

    // Takes ownership of `decorated`; `hint` is hidden here and stays owned by its layer.
    xHoverHint(xWidget* decorated, xWidget* hint);

    void setParent(xRootInterface* root) override;
    void draw(xDrawContext& context) override { decorated_->draw(context); }
    void onLeftDown(const xMouseEvent& event) override;
    void onMiddleDown(const xMouseEvent& event) override { decorated_->onMiddleDown(event); }
    void onRightDown(const xMouseEvent& event) override { decorated_->onRightDown(event); }
    void onLeftUp(const xMouseEvent& event) override;
    void onMiddleUp(const xMouseEvent& event) override { decorated_->onMiddleUp(event); }
    void onRightUp(const xMouseEvent& event) override { decorated_->onRightUp(event); }
    void onMouseMove(const xMouseEvent& event) override;
    void onWheel(xWheelEvent& event) override { decorated_->onWheel(event); }
    void onKeyDown(xKeyEvent& event) override { decorated_->onKeyDown(event); }
    void onKeyUp(xKeyEvent& event) override { decorated_->onKeyUp(event); }
    void onTimer() override;
    void forgetWidget(xWidget* gone) override;

    xWidget* decorated() const { return decorated_.get(); }
    xWidget* hint() const { return hint_; }
    bool isHovering() const { return hovering_; }

private:
    void showHint();
    void hideHint();

    std::unique_ptr<xWidget> decorated_;
    xWidget* hint_;
    bool pressed_ = false;
    bool hovering_ = false;
    int ticks_ = 0;
};

} // namespace vellum
