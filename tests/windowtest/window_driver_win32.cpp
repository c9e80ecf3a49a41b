#include "window_driver.h"

#include "window_support.h"

#include "gui/events.h"

using gallery::Step;
using gallery::StepKind;

namespace {

LPARAM point(int x, int y)
{
    return static_cast<LPARAM>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x))
                               | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}

} // namespace

void WindowDriver::pump(int milliseconds)
{
    windowtest::pump(milliseconds);
}

void WindowDriver::drain()
{
    windowtest::drain();
}

void WindowDriver::postMouse(UINT message, int x, int y, std::uint8_t modifiers)
{
    WPARAM keys = 0;
    if (left_)
        keys |= MK_LBUTTON;
    if (right_)
        keys |= MK_RBUTTON;
    if (modifiers & vellum::mouse::kShift)
        keys |= MK_SHIFT;
    if (modifiers & vellum::mouse::kControl)
        keys |= MK_CONTROL;
    PostMessageA(editor_, message, keys, point(x, y));
}

void WindowDriver::postKey(UINT message, std::uint32_t key)
{
    const LPARAM flags = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001u) : 1;
    PostMessageA(top_, message, key, flags);
}

// Posted key messages do not change the thread's key state, so shift is set there by hand for
// the time the message is handled.
void WindowDriver::withShift(bool shift, UINT message, std::uint32_t key)
{
    BYTE state[256];
    GetKeyboardState(state);
    const BYTE before = state[VK_SHIFT];
    if (shift) {
        state[VK_SHIFT] = 0x80;
        SetKeyboardState(state);
    }
    postKey(message, key);
    drain();
    if (shift) {
        state[VK_SHIFT] = before;
        SetKeyboardState(state);
    }
}

void WindowDriver::play(const std::vector<Step>& steps)
{
    for (const Step& s : steps)
        step(s);
}

void WindowDriver::step(const Step& s)
{
    const bool shift = (s.modifiers & vellum::modifier::kShift) != 0;
    switch (s.kind) {
    case StepKind::press:
        left_ = true;
        postMouse(WM_LBUTTONDOWN, s.x, s.y, s.modifiers);
        break;
    case StepKind::move: postMouse(WM_MOUSEMOVE, s.x, s.y, s.modifiers); break;
    case StepKind::release:
        left_ = false;
        postMouse(WM_LBUTTONUP, s.x, s.y, s.modifiers);
        break;
    case StepKind::rightPress:
        right_ = true;
        left_ = false; // the binding lets go of the left button first
        postMouse(WM_RBUTTONDOWN, s.x, s.y, s.modifiers);
        break;
    case StepKind::rightRelease:
        right_ = false;
        postMouse(WM_RBUTTONUP, s.x, s.y, s.modifiers);
        break;
    case StepKind::wheel: {
        WPARAM keys = 0;
        if (shift)
            keys |= MK_SHIFT;
        const auto delta = static_cast<WPARAM>(static_cast<std::uint16_t>(static_cast<std::int16_t>(s.value)));
        PostMessageA(top_, WM_MOUSEWHEEL, keys | (delta << 16), point(100, 100));
        break;
    }
    case StepKind::keyDown: withShift(shift, WM_KEYDOWN, static_cast<std::uint32_t>(s.value)); return;
    case StepKind::keyUp: withShift(shift, WM_KEYUP, static_cast<std::uint32_t>(s.value)); return;
    case StepKind::ticks: pump(s.value * 50 + 500); return;
    case StepKind::menu:
        // The press opens the menu; the menu's own loop then takes the keys queued behind it.
        left_ = true;
        postMouse(WM_LBUTTONDOWN, s.x, s.y, 0);
        for (int i = 0; i < s.value; ++i)
            postKey(WM_KEYDOWN, VK_DOWN);
        postKey(WM_KEYDOWN, s.value > 0 ? VK_RETURN : VK_ESCAPE);
        drain();
        left_ = false;
        postMouse(WM_LBUTTONUP, s.x, s.y, 0);
        break;
    }
    drain();
}
