#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "gui/root_interface.h"
#include "gui/tile_canvas.h"

namespace vellum {

class xHostWindow;

// The root of one editor window: keeps the layers, routes every event to the widgets, manages
// keyboard focus and the modal widget, and paints in tiles of 128 x 128 pixels through its one
// tile canvas. Of the platform it needs only the host window's invalidate (and, for menus, its
// popup). Created and owned by the host window.
//
// Routing (a widget is eligible when it is enabled and visible, and its layer too):
//  - mouse down: to the modal widget alone if there is one; otherwise to every eligible widget
//    from the top layer down and, in each layer, from the top of the drawing list down, until
//    one marks the event handled. When none does, the focus is released.
//  - mouse up: to the focus widget only. Mouse move: like mouse down, but the focus stays.
//  - wheel, key up: to the modal widget, else the focus widget. Key down the same, except that
//    Tab (shift-Tab backwards) moves the focus to the next widget that can take it, in creation
//    order across the layers, wrapping around, and is marked handled.
//  - timer: every visible widget in creation order, layer by layer, then the observer.
// A widget or layer removed while an event is being dispatched is forgotten at once and
// destroyed when the dispatch ends.
class xRoot final : public xRootInterface {
public:
    explicit xRoot(xHostWindow* host);
    ~xRoot() override;
    xRoot(const xRoot&) = delete;
    xRoot& operator=(const xRoot&) = delete;

    void addLayer(xLayer* layer) override;
    void removeLayer(xLayer* layer) override;
    void invalidateRect(const xRect& rect) override;
    void* getNativeHandle() override;
    // Gives the focus to a widget of one of the root's layers (null releases it; a widget that
    // is in none of them is refused, so the root never points at a widget it cannot forget).
    void setFocus(xWidget* widget) override;
    xWidget* getFocus() override { return focus_; }
    void setObserver(xRootObserver* observer) override;
    // Like setFocus, only widgets of the root's layers can be made modal.
    void setModal(xWidget* widget) override;
    void markHandled() override { handled_ = true; }
    int popupMenu(xMenu& menu, xPoint point) override;

    void paint(xTileSink& sink, const xRect& rect) override;
    void onLeftDown(const xMouseEvent& event) override;
    void onMiddleDown(const xMouseEvent& event) override;
    void onRightDown(const xMouseEvent& event) override;
    void onLeftUp(const xMouseEvent& event) override;
    void onMiddleUp(const xMouseEvent& event) override;
    void onRightUp(const xMouseEvent& event) override;
    void onMouseMove(const xMouseEvent& event) override;
    void onWheel(xWheelEvent& event) override;
    void onKeyDown(xKeyEvent& event) override;
    void onKeyUp(xKeyEvent& event) override;
    void onTimer() override;
    void onFocusGained() override { }
    void onFocusLost() override;

    xWidget* getModal() const { return modal_; }
    xRootObserver* observer() const { return observer_; }
    xTileCanvas& canvas() { return canvas_; }
    const std::vector<xLayer*>& layers() const { return layers_; }

    // Cuts the root off its host window: invalidations and menus go nowhere from then on.
    // Bindings call it first when they are destroyed.
    void detachHost() { host_.store(nullptr, std::memory_order_release); }
    // Forgets a widget of one of the layers and destroys it (later, if an event is being
    // dispatched). Used by xLayer::removeWidget.
    void retireWidget(xWidget* widget);

private:
    class DispatchScope;
    using MouseHandler = void (xWidget::*)(const xMouseEvent&);

    void mouseDown(const xMouseEvent& event, MouseHandler handler);
    void mouseUp(const xMouseEvent& event, MouseHandler handler);
    // Offers a mouse event from the top down until a widget marks it handled (or changes the
    // widget tree).
    void offerTopDown(const xMouseEvent& event, MouseHandler handler);
    xWidget* keyReceiver() const { return modal_ ? modal_ : focus_; }
    void moveFocus(bool backwards);
    void releaseFocus();
    // Drops every reference the root and the other widgets hold to the widget.
    void forget(xWidget* widget);
    xLayer* layerOf(const xWidget* widget) const;
    void destroyRetired();

    std::vector<xLayer*> layers_;
    xWidget* focus_ = nullptr;
    xWidget* modal_ = nullptr;
    std::atomic<xHostWindow*> host_;
    xTileCanvas canvas_;
    bool handled_ = false;
    xRootObserver* observer_;

    int dispatchDepth_ = 0;
    std::uint64_t treeChanges_ = 0; // counts removals, so a walk can tell the tree changed
    std::vector<xWidget*> retiredWidgets_;
    std::vector<xLayer*> retiredLayers_;
};

} // namespace vellum
