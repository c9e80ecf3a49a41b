#pragma once

#include <cstdint>

namespace vellum {

// An opaque colour given as red, green and blue bytes.
struct xColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const xColour&, const xColour&) = default;
};

// The toolkit's predefined colours, shared by all controls. Constant initialisation makes
// them valid before any code runs.
namespace colours {
inline constexpr xColour black{0, 0, 0};
inline constexpr xColour white{255, 255, 255};
inline constexpr xColour red{255, 0, 0};
inline constexpr xColour green{0, 255, 0};
inline constexpr xColour blue{0, 0, 255};
inline constexpr xColour magenta{255, 0, 255};
inline constexpr xColour yellow{255, 255, 0};
inline constexpr xColour cyan{0, 255, 255};
inline constexpr xColour orange{255, 127, 0};
} // namespace colours

} // namespace vellum
