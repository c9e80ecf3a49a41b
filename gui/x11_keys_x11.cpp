#include "gui/x11_keys.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include "gui/events.h"

namespace vellum {

std::uint32_t virtualKeyOf(unsigned long keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return static_cast<std::uint32_t>('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z)
        return static_cast<std::uint32_t>(keysym);
    if (keysym >= XK_0 && keysym <= XK_9)
        return static_cast<std::uint32_t>(keysym);
    if (keysym >= XK_F1 && keysym <= XK_F12)
        return static_cast<std::uint32_t>(0x70 + (keysym - XK_F1));
    switch (keysym) {
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_KP_Tab: return key::kTab;
    case XK_Return:
    case XK_KP_Enter: return key::kReturn;
    case XK_Escape: return key::kEscape;
    case XK_space:
    case XK_KP_Space: return key::kSpace;
    case XK_Prior:
    case XK_KP_Prior: return key::kPageUp;
    case XK_Next:
    case XK_KP_Next: return key::kPageDown;
    case XK_End:
    case XK_KP_End: return key::kEnd;
    case XK_Home:
    case XK_KP_Home: return key::kHome;
    case XK_Left:
    case XK_KP_Left: return key::kLeft;
    case XK_Up:
    case XK_KP_Up: return key::kUp;
    case XK_Right:
    case XK_KP_Right: return key::kRight;
    case XK_Down:
    case XK_KP_Down: return key::kDown;
    case XK_BackSpace: return 8;
    case XK_Insert:
    case XK_KP_Insert: return 45;
    case XK_Delete:
    case XK_KP_Delete: return 46;
    default: return 0;
    }
}

std::uint8_t keyModifiersOf(unsigned int state)
{
    std::uint8_t m = 0;
    if (state & ShiftMask)
        m |= modifier::kShift;
    if (state & ControlMask)
        m |= modifier::kControl;
    if (state & Mod1Mask)
        m |= modifier::kAlt;
    return m;
}

std::uint8_t mouseModifiersOf(unsigned int state)
{
    std::uint8_t m = 0;
    if (state & ShiftMask)
        m |= mouse::kShift;
    if (state & ControlMask)
        m |= mouse::kControl;
    if (state & Mod1Mask)
        m |= mouse::kAlt;
    return m;
}

} // namespace vellum
