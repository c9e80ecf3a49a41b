#pragma once

namespace vellum {

class xDrawContext;
class xRootInterface;
class xWidget;

// Watches a root: focus changes, an extra drawing step per paint tile after all widgets, and a
// step after every timer tick. The default observer only remembers the root and the focus
// widget it was told about. Owned by the root.
class xRootObserver {
public:
    virtual ~xRootObserver() = default;
    // The widget that is getting focus, or null when the focus is released.
    virtual void focusChanged(xWidget* widget) { focus_ = widget; }
    virtual void attach(xRootInterface* root) { root_ = root; }
    // Called once per paint tile, after the widgets have drawn into it.
    virtual void draw(xDrawContext& context) { (void)context; }
    // Called after the widgets' timer ticks.
    virtual void tick() { }

    xRootInterface* root() const { return root_; }
    xWidget* lastFocus() const { return focus_; }

private:
    xRootInterface* root_ = nullptr;
    xWidget* focus_ = nullptr;
};

} // namespace vellum
