#include "gui/x11_error_trap.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace vellum {

namespace {

// The innermost live trap (user-interface thread only).
xX11ErrorTrap* gInnermost = nullptr;

// Connections whose server went away. Touched from Xlib's I/O error path, on the thread that
// used the connection, and read by the bindings.
std::mutex gLostMutex;
std::vector<Display*> gLost;

void markLost(Display* display, void*)
{
    std::lock_guard lock(gLostMutex);
    gLost.push_back(display);
}

} // namespace

xX11ErrorTrap::xX11ErrorTrap(Display* display)
    : display_(display),
      outer_(gInnermost),
      previous_(XSetErrorHandler(&xX11ErrorTrap::onError)),
      previousLost_(XSetIOErrorHandler(&xX11ErrorTrap::onConnectionLost))
{
    gInnermost = this;
}

xX11ErrorTrap::~xX11ErrorTrap()
{
    if (display_ && !isLost(display_))
        XSync(display_, False);
    gInnermost = outer_;
    XSetErrorHandler(previous_);
    XSetIOErrorHandler(previousLost_);
}

bool xX11ErrorTrap::sync()
{
    if (!display_ || isLost(display_))
        return false;
    XSync(display_, False);
    const bool clean = errors_ == checked_;
    checked_ = errors_;
    return clean;
}

int xX11ErrorTrap::onError(Display* display, XErrorEvent* error)
{
    for (xX11ErrorTrap* trap = gInnermost; trap; trap = trap->outer_) {
        if (trap->display_ == display) {
            ++trap->errors_;
            return 0;
        }
    }
    // Another connection's error: the handler that was there before the outermost trap.
    xX11ErrorTrap* first = outermost();
    if (first && first->previous_ && first->previous_ != &xX11ErrorTrap::onError)
        return first->previous_(display, error);
    return 0;
}

int xX11ErrorTrap::onConnectionLost(Display* display)
{
    for (xX11ErrorTrap* trap = gInnermost; trap; trap = trap->outer_) {
        if (trap->display_ == display)
            return 0; // the connection's exit handler then marks it lost, and Xlib returns
    }
    xX11ErrorTrap* first = outermost();
    if (first && first->previousLost_ && first->previousLost_ != &xX11ErrorTrap::onConnectionLost)
        return first->previousLost_(display);
    return 0;
}

xX11ErrorTrap* xX11ErrorTrap::outermost()
{
    xX11ErrorTrap* trap = gInnermost;
    while (trap && trap->outer_)
        trap = trap->outer_;
    return trap;
}

void xX11ErrorTrap::survivesLostConnection(Display* display)
{
    {
        std::lock_guard lock(gLostMutex);
        std::erase(gLost, display);
    }
    XSetIOErrorExitHandler(display, markLost, nullptr);
}

bool xX11ErrorTrap::isLost(Display* display)
{
    std::lock_guard lock(gLostMutex);
    return std::find(gLost.begin(), gLost.end(), display) != gLost.end();
}

} // namespace vellum
