#include "gui/mouse_buttons.h"

#include <algorithm>

#include "gui/root_interface.h"

namespace vellum {

namespace {

constexpr std::uint8_t kButtonBit[3] = {mouse::kLeft, mouse::kMiddle, mouse::kRight};

xMouseEvent makeEvent(int x, int y, std::uint8_t state)
{
    return {std::clamp(x, -32768, 32767), std::clamp(y, -32768, 32767), state};
}

} // namespace

void xMouseButtons::press(xMouseButton button, int x, int y, std::uint8_t modifiers)
{
    modifiers &= mouse::kModifiers;
    for (xMouseButton other : {xMouseButton::left, xMouseButton::middle, xMouseButton::right}) {
        if (other != button && isHeld(other))
            release(other, x, y, modifiers);
    }
    const xMouseEvent event =
        makeEvent(x, y, static_cast<std::uint8_t>(kButtonBit[static_cast<int>(button)] | modifiers));
    capture_.capture();
    held_[static_cast<int>(button)] = true;
    switch (button) {
    case xMouseButton::left: root_.onLeftDown(event); break;
    case xMouseButton::middle: root_.onMiddleDown(event); break;
    case xMouseButton::right: root_.onRightDown(event); break;
    }
}

void xMouseButtons::release(xMouseButton button, int x, int y, std::uint8_t modifiers)
{
    const xMouseEvent event = makeEvent(x, y, modifiers & mouse::kModifiers);
    switch (button) {
    case xMouseButton::left: root_.onLeftUp(event); break;
    case xMouseButton::middle: root_.onMiddleUp(event); break;
    case xMouseButton::right: root_.onRightUp(event); break;
    }
    capture_.release();
    held_[static_cast<int>(button)] = false;
}

void xMouseButtons::move(int x, int y, std::uint8_t modifiers)
{
    std::uint8_t state = modifiers & mouse::kModifiers;
    for (int b = 0; b < 3; ++b) {
        if (held_[b])
            state |= kButtonBit[b];
    }
    root_.onMouseMove(makeEvent(x, y, state));
}

void xMouseButtons::releaseAll(int x, int y)
{
    for (xMouseButton b : {xMouseButton::left, xMouseButton::middle, xMouseButton::right}) {
        if (isHeld(b))
            release(b, x, y, 0);
    }
}

} // namespace vellum
