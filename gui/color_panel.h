#pragma once

#include "gui/colours.h"
#include "gui/widget.h"

namespace vellum {

// A rectangle filled with one colour, opaque or translucent.
class xColorPanel : public xWidget {
public:
    xColorPanel(const xRect& rect, xColour colour);

    // 0 opaque, 1 invisible; opacity = round((1 - transparency) x 255). Bounded to 0..1 (a
    // value that is not a number counts as 0).
    void setTransparency(float transparency);
    int opacity() const { return opacity_; }

    void draw(xDrawContext& context) override;

protected:
    xColour colour() const { return colour_; }

private:
    xColour colour_;
    int opacity_ = 255;
};

// round((1 - t) x 255) with t bounded to 0..1; shared by the controls that take a transparency.
int opacityFromTransparency(float transparency);

} // namespace vellum
