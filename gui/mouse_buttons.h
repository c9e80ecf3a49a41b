#pragma once

#include <cstdint>

#include "gui/events.h"

namespace vellum {

class xRootInterface;

enum class xMouseButton : std::uint8_t { left, middle, right };

// The platform's mouse capture: while a button is held the window keeps receiving the mouse,
// even outside it.
class xMouseCapture {
public:
    virtual ~xMouseCapture() = default;
    virtual void capture() = 0;
    virtual void release() = 0;
};

// Turns a window's button presses, releases and moves into the root's mouse events, with the
// rules every binding shares: a press first releases any other button the window holds (its
// up event reaches the root before the new down event), the mouse is captured from a press to
// the matching release, moves carry the held buttons, and coordinates are kept within the
// signed 16-bit range. Modifiers are mouse::kShift, kControl and kAlt bits.
class xMouseButtons {
public:
    xMouseButtons(xRootInterface& root, xMouseCapture& capture) : root_(root), capture_(capture) { }

    void press(xMouseButton button, int x, int y, std::uint8_t modifiers);
    void release(xMouseButton button, int x, int y, std::uint8_t modifiers);
    void move(int x, int y, std::uint8_t modifiers);
    // Releases every held button (the window is closing), so no widget is left dragging.
    void releaseAll(int x, int y);
    bool isHeld(xMouseButton button) const { return held_[static_cast<int>(button)]; }

private:
    xRootInterface& root_;
    xMouseCapture& capture_;
    bool held_[3] = {false, false, false};
};

} // namespace vellum
