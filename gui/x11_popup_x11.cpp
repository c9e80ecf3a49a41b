#include "gui/x11_popup.h"

#include <X11/Xutil.h>

#include <algorithm>

#include "gui/pixel_buffer.h"
#include "gui/x11_image.h"
#include "gui/x11_keys.h"

namespace vellum {

xX11Popup::xX11Popup(Display* display, Visual* visual, int depth, Colormap colormap, xX11Image& image,
                     const xMenu& menu, xFont* font, xPoint screenPoint, xPoint pointer)
    : display_(display),
      image_(image),
      view_(menu, font),
      openedAt_(pointer)
{
    const xSize size = view_.size();
    const int screen = DefaultScreen(display);
    const int screenWidth = DisplayWidth(display, screen);
    const int screenHeight = DisplayHeight(display, screen);
    origin_ = {std::max(0, std::min(screenPoint.x, screenWidth - size.width)),
               std::max(0, std::min(screenPoint.y, screenHeight - size.height))};

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.colormap = colormap;
    attributes.event_mask =
        ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    window_ =
        XCreateWindow(display, RootWindow(display, screen), origin_.x, origin_.y, static_cast<unsigned>(size.width),
                      static_cast<unsigned>(size.height), 0, depth, InputOutput, visual,
                      CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
    XStoreName(display, window_, "xPopupMenu");
    gc_ = XCreateGC(display, window_, 0, nullptr);
    XMapRaised(display, window_);
    XSync(display, False);
    grab();
    redraw();
}

xX11Popup::~xX11Popup()
{
    if (pointerGrabbed_)
        XUngrabPointer(display_, CurrentTime);
    if (keyboardGrabbed_)
        XUngrabKeyboard(display_, CurrentTime);
    if (gc_)
        XFreeGC(display_, gc_);
    if (window_)
        XDestroyWindow(display_, window_);
    XFlush(display_);
}

void xX11Popup::grab()
{
    // Only a viewable window can be grabbed; a grab that fails now is tried again at its map.
    if (!pointerGrabbed_) {
        pointerGrabbed_ =
            XGrabPointer(display_, window_, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                         GrabModeAsync, GrabModeAsync, None, None, CurrentTime)
            == GrabSuccess;
    }
    if (!keyboardGrabbed_) {
        keyboardGrabbed_ =
            XGrabKeyboard(display_, window_, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    }
}

void xX11Popup::redraw()
{
    const xSize size = view_.size();
    xPixelBuffer pixels(0, 0, size.width, size.height);
    view_.draw(pixels);
    image_.put(window_, gc_, pixels.pixels(), pixels.stride(), size.width, size.height, 0, 0);
    XFlush(display_);
}

void xX11Popup::apply(xPopupMenuView::Outcome outcome)
{
    switch (outcome) {
    case xPopupMenuView::Outcome::none: return;
    case xPopupMenuView::Outcome::changed: redraw(); return;
    case xPopupMenuView::Outcome::chosen:
        chosenId_ = view_.highlightedId();
        state_ = State::chosen;
        return;
    case xPopupMenuView::Outcome::dismissed: state_ = State::dismissed; return;
    }
}

void xX11Popup::handle(const XEvent& event)
{
    if (state_ != State::open)
        return;
    switch (event.type) {
    case Expose:
        if (event.xexpose.window == window_ && event.xexpose.count == 0)
            redraw();
        return;
    case MapNotify:
        if (event.xmap.window == window_)
            grab();
        return;
    case MotionNotify: {
        const xPoint p{event.xmotion.x_root, event.xmotion.y_root};
        if (p.x != openedAt_.x || p.y != openedAt_.y)
            moved_ = true;
        apply(view_.pointerMoved(local(p.x, p.y)));
        return;
    }
    case ButtonPress: {
        const unsigned button = event.xbutton.button;
        if (button != Button1 && button != Button3)
            return; // the wheel neither chooses nor dismisses
        if (screenRect().contains({event.xbutton.x_root, event.xbutton.y_root}))
            pressedInside_ = true;
        else
            state_ = State::dismissed; // a click outside closes the menu without choosing
        return;
    }
    case ButtonRelease: {
        const unsigned button = event.xbutton.button;
        if ((button != Button1 && button != Button3) || (!pressedInside_ && !moved_))
            return; // the release of the click that opened the menu, before the pointer moved
        apply(view_.buttonReleased(local(event.xbutton.x_root, event.xbutton.y_root)));
        return;
    }
    case KeyPress: {
        XKeyEvent copy = event.xkey;
        apply(view_.keyDown(virtualKeyOf(XLookupKeysym(&copy, 0))));
        return;
    }
    default: return;
    }
}

} // namespace vellum
