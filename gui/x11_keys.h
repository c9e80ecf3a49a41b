#pragma once

#include <cstdint>

namespace vellum {

// X11 keys and modifier states in the terms of the toolkit's events, which carry Windows
// virtual-key codes and modifier bits on every platform.

// The virtual-key code of an X keysym (the key's unshifted symbol): Tab (also the shifted
// ISO_Left_Tab), Return and the keypad's Enter, Escape, Space, Page Up and Down, End, Home, the
// arrows (also on the keypad), Backspace, Insert, Delete, letters (as upper case), digits and
// F1 to F12. Any other keysym gives 0, a key no control handles.
std::uint32_t virtualKeyOf(unsigned long keysym);

// Shift, control and alt (Mod1) of an X event's state, as modifier:: bits of key and wheel
// events, and as mouse:: bits of mouse events.
std::uint8_t keyModifiersOf(unsigned int state);
std::uint8_t mouseModifiersOf(unsigned int state);

} // namespace vellum
