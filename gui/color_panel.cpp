#include "gui/color_panel.h"

#include <algorithm>
#include <cmath>

#include "gui/draw.h"

namespace vellum {

int opacityFromTransparency(float transparency)
{
    const float t = std::isnan(transparency) ? 0.0f : std::clamp(transparency, 0.0f, 1.0f);
    return static_cast<int>(std::lround((1.0f - t) * 255.0f));
}

xColorPanel::xColorPanel(const xRect& rect, xColour colour) : xWidget(rect, false), colour_(colour)
{ }

void xColorPanel::setTransparency(float transparency)
{
    opacity_ = opacityFromTransparency(transparency);
    invalidate();
}

void xColorPanel::draw(xDrawContext& context)
{
    if (opacity_ == 255)
        fillRect(context.surface(), getRect(), colour_);
    else
        blendRect(context.surface(), getRect(), colour_, opacity_);
}

} // namespace vellum
