#pragma once

#include <X11/Xlib.h>

namespace vellum {

// Keeps X errors of one of our own connections away from the process's handlers, whose Xlib
// defaults print the error and exit (they would take the host down with them). While a trap is
// alive, errors of its connection are counted here, and the loss of its connection (the server
// went away) marks it lost instead of ending the process; errors and losses of other
// connections (the host's) go on to the handlers that were installed before. Every call the
// toolkit makes on its connection runs inside a trap, so nothing of ours ever reaches the
// host's handlers.
//
// Traps nest (inner ones first); they live on the user-interface thread only. The destructor
// waits for the server to answer every request made so far (so their errors land here) and
// puts the previous handler back.
class xX11ErrorTrap {
public:
    explicit xX11ErrorTrap(Display* display);
    ~xX11ErrorTrap();
    xX11ErrorTrap(const xX11ErrorTrap&) = delete;
    xX11ErrorTrap& operator=(const xX11ErrorTrap&) = delete;

    // Waits for every request so far; true when none of them (since the trap began or the last
    // check) failed.
    bool sync();
    // The errors counted so far (no round trip).
    int errors() const { return errors_; }

    // Makes a broken connection (the server went away) a lost display instead of the end of the
    // process (with the trap's handler, which returns). Called once per connection, right after
    // it is opened.
    static void survivesLostConnection(Display* display);
    // Whether the connection was lost.
    static bool isLost(Display* display);

private:
    static int onError(Display* display, XErrorEvent* error);
    static int onConnectionLost(Display* display);
    static xX11ErrorTrap* outermost();

    Display* display_;
    xX11ErrorTrap* outer_;
    int errors_ = 0;
    int checked_ = 0;
    XErrorHandler previous_;
    XIOErrorHandler previousLost_;
};

} // namespace vellum
