#include "editor/envelope_readout.h"

#include <algorithm>

#include "editor/editor_style.h"
#include "gui/color_panel.h"
#include "gui/draw.h"
#include "gui/draw_text.h"

namespace ostrel {

using namespace vellum;

namespace {
constexpr int kPadding = 3; // pixels between the panel's edge and the text
constexpr int kGap = 7;     // pixels between the point and the panel
} // namespace

EnvelopeReadout::EnvelopeReadout(xFont* font)
    : xWidget({}, false),
      font_(font),
      opacity_(opacityFromTransparency(style::kReadoutTransparency))
{
    hide(false);
}

void EnvelopeReadout::showAt(const std::string& text, xPoint point, const xRect& bounds)
{
    const int width = (font_ ? textWidth(*font_, text) : 0) + 2 * kPadding;
    const int height = (font_ ? font_->glyphHeight() : 0) + 2;
    int x = point.x + kGap;
    if (x + width > bounds.right())
        x = point.x - kGap - width;
    int y = point.y - kGap - height;
    if (y < bounds.y)
        y = point.y + kGap;
    x = std::clamp(x, bounds.x, std::max(bounds.x, bounds.right() - width));
    y = std::clamp(y, bounds.y, std::max(bounds.y, bounds.bottom() - height));

    const xRect place{x, y, width, height};
    if (isVisible() && text == text_ && getRect() == place)
        return;
    // Repaint where it was (if it showed) and where it goes.
    if (isVisible())
        invalidate();
    text_ = text;
    setSize(width, height);
    moveTo(x, y);
    show(false);
    invalidate();
}

void EnvelopeReadout::draw(xDrawContext& context)
{
    const xRect r = getRect();
    if (!context.touches(r))
        return;
    blendRect(context.surface(), r, style::kHintBackground, opacity_);
    if (font_)
        drawText(*font_, context.surface(), text_, {r.x + kPadding, r.y + 1}, style::kText, r);
}

} // namespace ostrel
