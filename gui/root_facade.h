#pragma once

#include "gui/root_interface.h"

namespace vellum {

// What a window binding hands to the editor: the operations the editor and its widgets use
// (addLayer to popupMenu) go to the root unchanged; painting and input do nothing here, so
// events reach the root only from its binding.
class xRootFacade final : public xRootInterface {
public:
    explicit xRootFacade(xRootInterface& root) : root_(root) { }

    void addLayer(xLayer* layer) override { root_.addLayer(layer); }
    void removeLayer(xLayer* layer) override { root_.removeLayer(layer); }
    void invalidateRect(const xRect& rect) override { root_.invalidateRect(rect); }
    void* getNativeHandle() override { return root_.getNativeHandle(); }
    void setFocus(xWidget* widget) override { root_.setFocus(widget); }
    xWidget* getFocus() override { return root_.getFocus(); }
    void setObserver(xRootObserver* observer) override { root_.setObserver(observer); }
    void setModal(xWidget* widget) override { root_.setModal(widget); }
    void markHandled() override { root_.markHandled(); }
    int popupMenu(xMenu& menu, xPoint point) override { return root_.popupMenu(menu, point); }

    void paint(xTileSink&, const xRect&) override { }
    void onLeftDown(const xMouseEvent&) override { }
    void onMiddleDown(const xMouseEvent&) override { }
    void onRightDown(const xMouseEvent&) override { }
    void onLeftUp(const xMouseEvent&) override { }
    void onMiddleUp(const xMouseEvent&) override { }
    void onRightUp(const xMouseEvent&) override { }
    void onMouseMove(const xMouseEvent&) override { }
    void onWheel(xWheelEvent&) override { }
    void onKeyDown(xKeyEvent&) override { }
    void onKeyUp(xKeyEvent&) override { }
    void onTimer() override { }
    void onFocusGained() override { }
    void onFocusLost() override { }

private:
    xRootInterface& root_;
};

} // namespace vellum
