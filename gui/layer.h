#pragma once

#include <vector>

#include "gui/rect.h"

namespace vellum {

class xRoot;
class xWidget;

// A group of widgets drawn in one pass. The drawing list decides the stacking (the last widget
// is on top and is offered mouse events first; the focus widget moves to the end); the
// creation list keeps the order of addition, which is the Tab order and the order of timer
// ticks. Bounds are the union of the widgets' rectangles. Widgets added before the layer joins
// a root wait in a pending list and join with it. A layer owns its widgets; the root owns its
// layers. User-interface thread only.
class xLayer {
public:
    xLayer() = default;
    ~xLayer();
    xLayer(const xLayer&) = delete;
    xLayer& operator=(const xLayer&) = delete;

    // Takes ownership of the widget (null is ignored). With a root: the widget gets the root as
    // parent, joins both lists, the bounds grow to include it and, if it is visible, its
    // rectangle is repainted. Without a root it waits in the pending list.
    void addWidget(xWidget* widget);
    // Destroys a widget of this layer after the root has forgotten it (focus, modal state,
    // other widgets' references). Returns false, and does nothing, for a widget that is not in
    // this layer.
    bool removeWidget(xWidget* widget);

    // A hidden layer is neither drawn nor ticked nor offered input; a disabled one gets no
    // mouse input and none of its widgets takes focus. Both start set.
    void setVisible(bool visible);
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isVisible() const { return visible_; }
    bool isEnabled() const { return enabled_; }

    xRect bounds() const { return bounds_; }
    xRoot* root() const { return root_; }
    const std::vector<xWidget*>& drawingList() const { return drawing_; }
    const std::vector<xWidget*>& creationList() const { return creation_; }
    const std::vector<xWidget*>& pendingList() const { return pending_; }
    bool holds(const xWidget* widget) const;

private:
    friend class xRoot;
    // Called by the root when the layer is added: adds every pending widget.
    void attach(xRoot* root);
    void join(xWidget* widget);
    // Moves a widget to the top of the drawing list; returns the widget that was on top.
    xWidget* bringToTop(xWidget* widget);
    // Takes a widget out of the lists without destroying it.
    void detach(xWidget* widget);

    std::vector<xWidget*> drawing_;
    std::vector<xWidget*> creation_;
    bool visible_ = true;
    bool enabled_ = true;
    xRect bounds_;
    xRoot* root_ = nullptr;
    std::vector<xWidget*> pending_;
};

} // namespace vellum
