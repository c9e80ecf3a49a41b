#pragma once

#include "gui/colours.h"
#include "gui/rect.h"

// Colours and offsets the synthesizer's editor shares among its panels and widgets.
namespace ostrel::style {

inline constexpr vellum::xColour kBackground{64, 64, 64};
inline constexpr vellum::xColour kText{255, 255, 255};
// Value hints and envelope readouts: a blue panel, slightly (hints) or clearly (readouts)
// translucent.
inline constexpr vellum::xColour kHintBackground{63, 93, 137};
inline constexpr float kHintTransparency = 0.1f;
inline constexpr float kReadoutTransparency = 0.3f;
// Where a knob's value hint sits, from the knob's top-left corner.
inline constexpr vellum::xPoint kBigKnobHintOffset{28, -12};
inline constexpr vellum::xPoint kSmallKnobHintOffset{18, -12};

// The envelope graphs: a recessed well with a frame, the graph in the accent blue, the play
// position in yellow.
inline constexpr vellum::xColour kWell{42, 42, 42};
inline constexpr vellum::xColour kWellEdge{30, 30, 30};
inline constexpr vellum::xColour kGuide{60, 60, 60};
inline constexpr vellum::xColour kGraph{96, 164, 236};
inline constexpr vellum::xColour kCross{128, 128, 128};
inline constexpr vellum::xColour kPlayMarker{255, 255, 0};

} // namespace ostrel::style
