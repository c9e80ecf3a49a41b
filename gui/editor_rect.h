#pragma once

#include <cstdint>

namespace vellum {

// The editor's rectangle as a VST 2 host asks for it: 16-bit fields in the order top, left,
// bottom, right.
struct xEditorRect {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 0;
    std::int16_t right = 0;
};

} // namespace vellum
