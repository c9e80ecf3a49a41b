#pragma once

#include <string>

#include "gui/bitmap.h"
#include "gui/font.h"
#include "gui/hover_hint.h"
#include "gui/layer.h"
#include "gui/rect.h"
#include "gui/subject.h"
#include "gui/value_display.h"

namespace ostrel {

// A control with a value hint: the value of a parameter's text view (and a unit after it) on a
// slightly translucent blue panel that shows while the pointer rests on the control or drags
// it (xHoverHint). The hint sits at `place` (kept inside the window) and belongs to the hints
// layer, so it is drawn above every control.
struct ValueHint {
    vellum::xHoverHint* decorator = nullptr; // the control's place in its layer
    vellum::xValueDisplay* display = nullptr;
};

inline constexpr int kHintHeight = 14;
inline constexpr int kKnobHintWidth = 44;

// Builds the hint for `control` (not yet in a layer) and returns it, the decorator to be added
// to the control's layer by the caller and the display already added to `hints`.
ValueHint makeValueHint(vellum::xWidget* control, vellum::xTextView& text, vellum::xFont* font,
                        const vellum::xRect& place, const std::string& unit, vellum::xLayer& hints);

// A knob on a normalized view with its value hint at the knob's position plus `offset`; the
// decorated knob goes into `controls`.
ValueHint addHintedKnob(vellum::xLayer& controls, vellum::xLayer& hints, vellum::xFloatView& value,
                        vellum::xTextView& text, vellum::xBitmap* strip, vellum::xSize size, vellum::xPoint at,
                        vellum::xPoint offset, const std::string& unit, vellum::xFont* font);

} // namespace ostrel
