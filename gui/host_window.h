#pragma once

#include "gui/rect.h"

namespace vellum {

class xMenu;
class xRoot;
class xRootFacade;
class xRootInterface;

// A window the toolkit draws into: the base of the window bindings (Windows, headless, and
// later X11 and LV2). It creates and owns the root and the facade the editor builds on. A
// binding supplies what the root needs of the platform: invalidating a rectangle, the native
// handle, and showing a popup menu; and it drives the root with input, timer ticks and paints.
//
// Threads: everything on the host's user-interface thread except invalidateRect, which
// parameter listeners may call from any thread.
class xHostWindow {
public:
    virtual ~xHostWindow();
    xHostWindow(const xHostWindow&) = delete;
    xHostWindow& operator=(const xHostWindow&) = delete;

    // The root as the editor sees it. Owned by the host window.
    xRootInterface* getFacade();
    // Schedules a repaint of the rectangle without erasing it; ignored while there is no
    // window. Any thread.
    virtual void invalidateRect(int x, int y, int width, int height) = 0;
    virtual void* getNativeHandle() = 0;
    // Shows a popup menu at a point in window coordinates and dispatches the choice; returns
    // the chosen id or 0. The default shows the platform's own popup menu over the native
    // window (xMenu::popup).
    virtual int popupMenu(xMenu& menu, xPoint point);

protected:
    xHostWindow();
    // The root itself, for the binding to drive.
    xRoot& root() { return *root_; }

private:
    xRoot* root_;
    xRootFacade* facade_;
};

} // namespace vellum
