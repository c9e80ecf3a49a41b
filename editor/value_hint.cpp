#include "editor/value_hint.h"

#include <algorithm>

#include "editor/editor_style.h"
#include "gui/knob.h"

namespace ostrel {

using namespace vellum;

namespace {
constexpr int kWindowWidth = 760;
} // namespace

ValueHint makeValueHint(xWidget* control, xTextView& text, xFont* font, const xRect& place, const std::string& unit,
                        xLayer& hints)
{
    // A hint that would reach past the window's right edge moves left, so it is read whole.
    xRect r = place;
    r.x = std::min(r.x, kWindowWidth - r.width);
    auto* display = new xValueDisplay(text, font, r, true);
    display->setBackgroundColour(style::kHintBackground);
    display->setTransparency(style::kHintTransparency);
    display->setUnit(unit);
    hints.addWidget(display);
    return {new xHoverHint(control, display), display};
}

ValueHint addHintedKnob(xLayer& controls, xLayer& hints, xFloatView& value, xTextView& text, xBitmap* strip, xSize size,
                        xPoint at, xPoint offset, const std::string& unit, xFont* font)
{
    const xRect place{at.x + offset.x, at.y + offset.y, kKnobHintWidth, kHintHeight};
    ValueHint hint = makeValueHint(new xKnob(value, strip, at, size), text, font, place, unit, hints);
    controls.addWidget(hint.decorator);
    return hint;
}

} // namespace ostrel
