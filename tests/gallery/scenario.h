#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gallery/gallery.h"

namespace vellum {
class xHeadlessWindow;
}

// One sequence of input on the gallery, written once and played by two drivers: the headless
// binding (tests) and real window messages under Wine (the window test). Both must end with the
// same parameter values and the same pixels.
namespace gallery {

enum class StepKind { press, move, release, rightPress, rightRelease, wheel, keyDown, keyUp, ticks, menu };

struct Step {
    StepKind kind;
    int x = 0;
    int y = 0;
    // Mouse steps: vellum::mouse::kShift/kControl/kAlt; key and wheel steps: vellum::modifier::.
    std::uint8_t modifiers = 0;
    // Wheel delta, key code, number of timer ticks, or the menu item to choose (numbered from 1;
    // 0 dismisses the menu with Escape).
    int value = 0;
};

// Starts from Params::setPictured().
std::vector<Step> scenario();

// Compares the parameters with what the scenario must leave; one line per difference.
std::vector<std::string> checkOutcome(Params& params);

// Plays the steps on a headless window showing the gallery.
void play(vellum::xHeadlessWindow& window, const std::vector<Step>& steps);

} // namespace gallery
