#pragma once

#include <X11/Xlib.h>

#include "gui/popup_menu_view.h"
#include "gui/rect.h"

namespace vellum {

class xMenu;
class xX11Image;

// One open popup menu on X11: an override-redirect window at a point of the screen (moved so
// that it stays on the screen) showing an xPopupMenuView, with the pointer and the keyboard
// grabbed so that a click anywhere else, and every key, reach it. The binding hands it every
// pointer and key event of its connection while it is open; it reports when the user chose a
// row or dismissed the menu. The menu's choice is dispatched by the binding, after the popup
// is gone. User-interface thread, inside the binding's error trap.
class xX11Popup {
public:
    enum class State { open, chosen, dismissed };

    // `screenPoint` is the menu's top-left corner in root-window coordinates; `pointer` where
    // the pointer was when the menu opened (root coordinates).
    xX11Popup(Display* display, Visual* visual, int depth, Colormap colormap, xX11Image& image, const xMenu& menu,
              xFont* font, xPoint screenPoint, xPoint pointer);
    // Lets go of the grabs and destroys the window.
    ~xX11Popup();
    xX11Popup(const xX11Popup&) = delete;
    xX11Popup& operator=(const xX11Popup&) = delete;

    Window window() const { return window_; }
    // The menu's rectangle in root-window coordinates.
    xRect screenRect() const { return {origin_.x, origin_.y, view_.size().width, view_.size().height}; }
    const xPopupMenuView& view() const { return view_; }
    State state() const { return state_; }
    // The chosen id (valid once the state is chosen).
    int chosenId() const { return chosenId_; }

    // Pointer, key, expose and map events of the connection while the menu is open.
    void handle(const XEvent& event);

private:
    void grab();
    void redraw();
    void apply(xPopupMenuView::Outcome outcome);
    xPoint local(int rootX, int rootY) const { return {rootX - origin_.x, rootY - origin_.y}; }

    Display* display_;
    xX11Image& image_;
    xPopupMenuView view_;
    xPoint origin_;
    xPoint openedAt_;
    Window window_ = 0;
    GC gc_ = nullptr;
    bool pointerGrabbed_ = false;
    bool keyboardGrabbed_ = false;
    bool pressedInside_ = false;
    bool moved_ = false;
    State state_ = State::open;
    int chosenId_ = 0;
};

} // namespace vellum
