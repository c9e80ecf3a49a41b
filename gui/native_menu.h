#pragma once

#include <memory>
#include <string>

#include "gui/rect.h"

namespace vellum {

// The platform's side of one popup menu: the native menu the model mirrors its entries into,
// its check marks, and modal tracking. On Windows a native popup menu owned by a hidden window;
// where the platform has no popup menus of its own the entries live only in the model and
// tracking chooses nothing (the binding shows the menu itself, see xHostWindow::popupMenu).
class xNativeMenu {
public:
    // The platform's implementation.
    static std::unique_ptr<xNativeMenu> create();

    virtual ~xNativeMenu() = default;
    virtual void appendItem(int id, const std::string& text) = 0;
    virtual void appendSeparator(int id) = 0;
    virtual void appendSubmenu(const std::string& text, xNativeMenu& submenu) = 0;
    // Puts the check mark on or off; false when the platform refused.
    virtual bool setChecked(int id, bool checked) = 0;
    // Shows the menu at a point in the window's client coordinates until the user chooses or
    // dismisses it; returns the chosen id, 0 when dismissed.
    virtual int track(void* nativeWindow, xPoint point) = 0;
    // The platform's menu handle (null where there is none).
    virtual void* handle() const = 0;
};

} // namespace vellum
