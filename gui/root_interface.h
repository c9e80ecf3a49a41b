#pragma once

#include "gui/events.h"
#include "gui/rect.h"

namespace vellum {

class xLayer;
class xMenu;
class xRootObserver;
class xTileSink;
class xWidget;

// The root of a window's widgets, as the editor and the widgets see it (the facade and the root
// itself) and as the window bindings drive it (the root only).
//
// Threads: everything runs on the host's user-interface thread, except invalidateRect, which
// may be called from any thread (parameter listeners invalidate from the thread that wrote the
// parameter).
class xRootInterface {
public:
    virtual ~xRootInterface() = default;

    // ---- used by the editor and the widgets ----
    // Takes ownership of the layer; it is drawn above the layers added before it.
    virtual void addLayer(xLayer* layer) = 0;
    // Forgets every widget of the layer (focus, modal state, hover hints) and destroys it.
    virtual void removeLayer(xLayer* layer) = 0;
    // Asks for a repaint of a window rectangle. Any thread.
    virtual void invalidateRect(const xRect& rect) = 0;
    // The platform's window handle (the editor's child window); null while it is closed or
    // where there is none.
    virtual void* getNativeHandle() = 0;
    virtual void setFocus(xWidget* widget) = 0;
    virtual xWidget* getFocus() = 0;
    // Takes ownership of the observer and destroys the previous one.
    virtual void setObserver(xRootObserver* observer) = 0;
    // With a widget: every mouse-down, mouse-move, wheel and key event goes to it alone. With
    // null: ordinary routing again.
    virtual void setModal(xWidget* widget) = 0;
    // Stops the dispatch of the current mouse event: widgets below are not offered it.
    virtual void markHandled() = 0;
    // Shows a popup menu at a point in window coordinates and dispatches the choice; returns
    // the chosen id, 0 when the menu was dismissed. Blocks until the menu closes.
    virtual int popupMenu(xMenu& menu, xPoint point) = 0;

    // ---- driven by the window binding only (no effect through the facade) ----
    // Draws the rectangle in tiles through the tile canvas and hands each tile to the sink.
    virtual void paint(xTileSink& sink, const xRect& rect) = 0;
    virtual void onLeftDown(const xMouseEvent& event) = 0;
    virtual void onMiddleDown(const xMouseEvent& event) = 0;
    virtual void onRightDown(const xMouseEvent& event) = 0;
    virtual void onLeftUp(const xMouseEvent& event) = 0;
    virtual void onMiddleUp(const xMouseEvent& event) = 0;
    virtual void onRightUp(const xMouseEvent& event) = 0;
    virtual void onMouseMove(const xMouseEvent& event) = 0;
    virtual void onWheel(xWheelEvent& event) = 0;
    virtual void onKeyDown(xKeyEvent& event) = 0;
    virtual void onKeyUp(xKeyEvent& event) = 0;
    // The 50 ms timer.
    virtual void onTimer() = 0;
    virtual void onFocusGained() = 0;
    // The editor lost the keyboard: the focus widget is released.
    virtual void onFocusLost() = 0;

protected:
    xRootInterface() = default;
    xRootInterface(const xRootInterface&) = default;
    xRootInterface& operator=(const xRootInterface&) = default;
};

} // namespace vellum
