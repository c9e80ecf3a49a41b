#pragma once

#include <atomic>

#include "gui/draw_context.h"
#include "gui/events.h"
#include "gui/rect.h"

namespace vellum {

class xRootInterface;

// Base of every visible element: a rectangle in window pixels, a few state flags, the root it
// belongs to and the operations the root calls for drawing and input. Widgets are owned by
// their layer (or by the widget that wraps them) and live on the user-interface thread; only
// invalidate() may be called from another thread (a parameter listener).
//
// Mouse events are offered to every enabled, visible widget from the top down until one marks
// the event handled; each widget tests the point against its own rectangle. Mouse-up goes to
// the focus widget only; wheel and keys go to the focus widget (or the modal one).
class xWidget {
public:
    xWidget(const xRect& rect, bool focusable);
    virtual ~xWidget() = default;
    xWidget(const xWidget&) = delete;
    xWidget& operator=(const xWidget&) = delete;

    // Called when the widget joins a root (through a layer).
    virtual void setParent(xRootInterface* root) { parent_.store(root, std::memory_order_release); }
    virtual void enable() { enabled_ = true; }
    virtual void disable() { enabled_ = false; }
    virtual bool isEnabled() const { return enabled_; }
    // Makes the widget visible; with redraw, and once it has a root, repaints its rectangle.
    virtual void show(bool redraw);
    virtual void hide(bool redraw);
    virtual bool isVisible() const { return visible_; }
    // Focusable, visible and enabled.
    virtual bool canTakeFocus() const { return focusable_ && visible_ && enabled_; }
    virtual void setFocused() { focused_ = true; }
    virtual void clearFocused() { focused_ = false; }
    virtual bool isFocused() const { return focused_; }

    virtual void draw(xDrawContext& context) { (void)context; }
    virtual void onLeftDown(const xMouseEvent& event) { (void)event; }
    virtual void onMiddleDown(const xMouseEvent& event) { (void)event; }
    virtual void onRightDown(const xMouseEvent& event) { (void)event; }
    virtual void onLeftUp(const xMouseEvent& event) { (void)event; }
    virtual void onMiddleUp(const xMouseEvent& event) { (void)event; }
    virtual void onRightUp(const xMouseEvent& event) { (void)event; }
    virtual void onMouseMove(const xMouseEvent& event) { (void)event; }
    virtual void onWheel(xWheelEvent& event) { (void)event; }
    virtual void onKeyDown(xKeyEvent& event) { (void)event; }
    virtual void onKeyUp(xKeyEvent& event) { (void)event; }
    virtual void onTimer() { }
    // The root is about to destroy `gone`: a widget that keeps a pointer to it drops it.
    virtual void forgetWidget(xWidget* gone) { (void)gone; }

    xRect getRect() const { return rect_; }
    // Moves the widget, keeping its size, and repaints the old and the new place.
    void moveTo(int x, int y);
    // Asks the root to give the keyboard focus to the focus target (the widget itself unless a
    // decorator took its place).
    void requestFocus();
    // Asks the root to repaint the widget's rectangle. Any thread.
    void invalidate();
    // Repaints a rectangle (e.g. a part of the widget) through the root, if there is one.
    void invalidate(const xRect& rect);

    xRootInterface* parent() const { return parent_.load(std::memory_order_acquire); }
    xWidget* focusTarget() const { return focusTarget_; }
    void setFocusTarget(xWidget* target) { focusTarget_ = target ? target : this; }

protected:
    bool contains(const xMouseEvent& event) const { return rect_.contains({event.x, event.y}); }
    // Marks the current mouse event handled, so widgets below do not see it.
    void markHandled();
    // Changes the size (controls that measure themselves).
    void setSize(int width, int height) { rect_.width = width, rect_.height = height; }

private:
    xRect rect_;
    bool enabled_ = true;
    bool visible_ = true;
    bool focusable_;
    bool focused_ = false;
    std::atomic<xRootInterface*> parent_{nullptr};
    xWidget* focusTarget_;
};

} // namespace vellum
