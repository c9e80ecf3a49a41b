#include "editor/mod_matrix_view.h"

#include <vector>

#include "editor/editor_style.h"
#include "editor/value_hint.h"
#include "gui/knob.h"

namespace ostrel {

using namespace vellum;

ModMatrixView::ModMatrixView(Patch& patch, xPoint origin, xLayer& controls, xLayer& hints, xFont* font,
                             xBitmap* knobStrip, xBitmap* cellStrip)
{
    std::vector<xHoverHint*> knobs;
    for (int row = 0; row < kModRows; ++row) {
        xFloatParam& amount = *patch.modAmount[static_cast<std::size_t>(row)];
        const xPoint at{origin.x + kKnob.x, origin.y + kKnob.y + kPitch * row};
        // The hint sits just left of its knob (44 pixels right of the origin), its middle level
        // with the knob's.
        const xRect place{at.x - kHintWidth, at.y + 2, kHintWidth, kHintHeight};
        knobs.push_back(makeValueHint(new xKnob(amount.normalized(), knobStrip, at, {18, 18}), amount.text(), font,
                                      place, " ", hints)
                            .decorator);
    }
    for (int row = 0; row < kModRows; ++row) {
        for (int column = 0; column < kModColumns; ++column) {
            xIntParam* route = patch.modRoute[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            if (!route)
                continue;
            const xRect cell{origin.x + kCell.x + kPitch * column, origin.y + kCell.y + kPitch * row, kCellSize,
                             kCellSize};
            cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] =
                new xCycleSwitch(route->value(), cellStrip, cell, 2, false);
        }
    }
    for (xHoverHint* knob : knobs)
        controls.addWidget(knob);
    for (auto& row : cells) {
        for (xCycleSwitch* cell : row)
            controls.addWidget(cell);
    }
}

} // namespace ostrel
