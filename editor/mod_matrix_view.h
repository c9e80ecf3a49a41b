#pragma once

#include <array>

#include "gui/bitmap.h"
#include "gui/cycle_switch.h"
#include "gui/font.h"
#include "gui/layer.h"
#include "gui/rect.h"
#include "patch/patch.h"

namespace ostrel {

// The controls of the modulation matrix panel, over the "modmatrix" picture (which carries
// every caption and is placed by the editor at the panel's origin): an amount knob at the head
// of each of the seven source rows, with its value hint to its left, and an on/off switch in
// every cell the patch has (52 of the 7 x 15). The grid pitch is 18 pixels both ways.
struct ModMatrixView {
    static constexpr vellum::xPoint kKnob{76, 44}; // row 0's amount knob, from the origin
    static constexpr vellum::xPoint kCell{97, 47}; // cell (0, 0), 12 x 12
    static constexpr int kPitch = 18;
    static constexpr int kCellSize = 12;
    static constexpr int kHintWidth = 32; // "-1.000" fits; the hint ends where the knob begins

    // Adds the knobs and switches to `controls` and the hints to `hints`.
    ModMatrixView(Patch& patch, vellum::xPoint origin, vellum::xLayer& controls, vellum::xLayer& hints,
                  vellum::xFont* font, vellum::xBitmap* knobStrip, vellum::xBitmap* cellStrip);

    // The switch of a cell; null where the patch has no cell.
    std::array<std::array<vellum::xCycleSwitch*, kModColumns>, kModRows> cells{};
};

} // namespace ostrel
