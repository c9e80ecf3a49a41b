#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/rect.h"

// What the X11 test programs share: real input through the XTest extension on the test's own
// connection, windows standing in for a host's, counting windows, reading pixels back, and
// the pass/fail lines. Under Xvfb only (tools/test.sh runs them with xvfb-run).
namespace x11test {

// Installs the process's X error handler as a host's: every error that reaches it is printed
// and counted (the plug-in's own connection must trap its errors before they get here).
void installHostErrorCounter();
int hostErrorCount();

// "ok: ..." or "FAILED: ..." lines, counted; summary() prints "NAME: N passed, M failed".
class Checks {
public:
    bool check(bool ok, const std::string& what);
    int summary(const char* name) const;
    int failed() const { return failed_; }

private:
    int passed_ = 0;
    int failed_ = 0;
};

// Real input as a user makes it: the server moves the pointer, presses buttons and keys, and
// delivers the events to whichever window it would (grabs included).
class Input {
public:
    // `pump` runs the editors' idle calls for about `milliseconds`.
    Input(Display* display, std::function<void(int milliseconds)> pump);
    ~Input();

    void moveTo(vellum::xPoint screen);
    void press(unsigned button);
    void release(unsigned button);
    void click(unsigned button, vellum::xPoint screen);
    // Holds or lets go of Shift.
    void shift(bool down);
    // Presses and releases a key (by its symbol).
    void tap(unsigned long keysym);
    void keyDown(unsigned long keysym);
    void keyUp(unsigned long keysym);
    // Lets go of every button and Shift still held.
    void releaseAll();
    bool isHeld(unsigned button) const { return button < 8 && held_[button]; }

private:
    void settle();

    Display* display_;
    std::function<void(int)> pump_;
    bool held_[8] = {};
    bool shift_ = false;
};

// Every window under the root, recursively.
int countWindows(Display* display);
// A top-level window of that size at (x, y), mapped (waits for the map), that hears key presses
// (the editor passes on the keys it does not use).
Window createTopLevel(Display* display, int x, int y, int width, int height);
// Where a window's (0, 0) lies on the screen.
vellum::xPoint screenOrigin(Display* display, Window window);
// The first mapped child of the root with that name, 0 when none.
Window findTopLevel(Display* display, const char* name);
// The child windows of a window.
std::vector<Window> childrenOf(Display* display, Window window);
// A window's (or pixmap's) pixels as blue, green, red, x (4 bytes a pixel); empty when it cannot be read.
std::vector<std::uint8_t> readPixels(Display* display, Drawable drawable, const vellum::xRect& area);
// Counts pixels whose colour differs (the fourth byte is ignored) and describes the first.
long comparePixels(const std::vector<std::uint8_t>& window, const std::vector<std::uint8_t>& expected, int width,
                   std::string& first);
// Writes blue, green, red, x pixels, `width` a row, as a PNG.
void writePng(const std::string& path, const std::vector<std::uint8_t>& pixels, int width);

} // namespace x11test
