#pragma once

#include <cstdint>

namespace vellum {

// Input records the window bindings fill and the root passes to widgets by reference.

// Bits of xMouseEvent::state.
namespace mouse {
inline constexpr std::uint8_t kLeft = 1 << 0;
inline constexpr std::uint8_t kMiddle = 1 << 1;
inline constexpr std::uint8_t kRight = 1 << 2;
inline constexpr std::uint8_t kShift = 1 << 3;
inline constexpr std::uint8_t kControl = 1 << 4;
inline constexpr std::uint8_t kAlt = 1 << 5;
inline constexpr std::uint8_t kButtons = kLeft | kMiddle | kRight;
inline constexpr std::uint8_t kModifiers = kShift | kControl | kAlt;
} // namespace mouse

// Bits of the modifiers of key and wheel events.
namespace modifier {
inline constexpr std::uint8_t kShift = 1 << 0;
inline constexpr std::uint8_t kControl = 1 << 1;
inline constexpr std::uint8_t kAlt = 1 << 2;
} // namespace modifier

// Key codes are Windows virtual-key codes on every platform; these are the ones the toolkit's
// controls react to. Any other value (including ones far outside the usual range) is simply a
// key no control handles.
namespace key {
inline constexpr std::uint32_t kTab = 9;
inline constexpr std::uint32_t kReturn = 13;
inline constexpr std::uint32_t kEscape = 27;
inline constexpr std::uint32_t kSpace = 32;
inline constexpr std::uint32_t kPageUp = 33;
inline constexpr std::uint32_t kPageDown = 34;
inline constexpr std::uint32_t kEnd = 35;
inline constexpr std::uint32_t kHome = 36;
inline constexpr std::uint32_t kLeft = 37;
inline constexpr std::uint32_t kUp = 38;
inline constexpr std::uint32_t kRight = 39;
inline constexpr std::uint32_t kDown = 40;
} // namespace key

// A mouse button press, release or move. Coordinates are client pixels of the editor window;
// while the mouse is captured they may be negative or beyond the window (bindings keep them
// within the signed 16-bit range).
struct xMouseEvent {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint8_t state = 0; // mouse:: bits

    bool isShift() const { return (state & mouse::kShift) != 0; }
};

struct xKeyEvent {
    std::uint8_t modifiers = 0; // modifier:: bits
    std::uint32_t key = 0;      // virtual-key code
    std::uint8_t handled = 0;   // set by the receiver that used the key
};

struct xWheelEvent {
    std::uint8_t modifiers = 0; // modifier:: bits
    std::int32_t delta = 0;     // signed rotation; one notch of a plain wheel is `notch`
    std::int32_t notch = 120;   // always 120 from the bindings
    std::uint8_t handled = 0;   // set by the receiver that used the rotation
};

} // namespace vellum
