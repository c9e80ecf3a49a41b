#include "gui/value_display.h"

#include "gui/color_panel.h"
#include "gui/draw.h"
#include "gui/draw_text.h"

namespace vellum {

xValueDisplay::xValueDisplay(xTextView& view, xFont* font, const xRect& rect, bool background)
    : xWidget(rect, false),
      view_(view),
      font_(font),
      background_(background),
      link_(view, [this] { viewChanged(); })
{ }

void xValueDisplay::setBackgroundColour(xColour colour)
{
    backgroundColour_ = colour;
    invalidate();
}

void xValueDisplay::setTransparency(float transparency)
{
    opacity_ = opacityFromTransparency(transparency);
    invalidate();
}

void xValueDisplay::setUnit(std::string unit)
{
    {
        std::lock_guard lock(textMutex_);
        unit_ = std::move(unit);
    }
    invalidate();
}

std::string xValueDisplay::shownText() const
{
    std::lock_guard lock(textMutex_);
    return known_ ? value_ + unit_ : std::string();
}

xRect xValueDisplay::placeOf(const std::string& text) const
{
    const xRect r = getRect();
    if (!font_ || text.empty())
        return {};
    const int width = textWidth(*font_, text);
    const int height = font_->glyphHeight();
    const int x = width < r.width ? r.x + (r.width - width) / 2 : r.x;
    const int y = r.y + (r.height - height) / 2;
    return {x, y, width, height};
}

void xValueDisplay::viewChanged()
{
    std::string text = view_.get();
    xRect dirty;
    {
        std::lock_guard lock(textMutex_);
        if (known_ && text == value_)
            return;
        // Until the first report nothing was drawn, not even the background.
        dirty = known_ ? placeOf(value_ + unit_) : getRect();
        known_ = true;
        value_ = std::move(text);
        dirty = unite(dirty, placeOf(value_ + unit_));
    }
    invalidate(intersect(dirty, getRect()));
}

void xValueDisplay::draw(xDrawContext& context)
{
    const xRect r = getRect();
    if (!context.touches(r))
        return;
    std::string text;
    {
        std::lock_guard lock(textMutex_);
        if (!known_)
            return;
        text = value_ + unit_;
    }
    if (background_)
        blendRect(context.surface(), r, backgroundColour_, opacity_);
    if (font_) {
        const xRect place = placeOf(text);
        drawText(*font_, context.surface(), text, {place.x, place.y}, textColour_, r);
    }
}

} // namespace vellum
