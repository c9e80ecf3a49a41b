#pragma once

#include "gui/click_cycler.h"
#include "gui/strip_indicator.h"
#include "gui/widget.h"

namespace vellum {

// A multi-state switch: a click cycler and a strip indicator over the same rectangle and index
// view. Clicks step the value, the strip shows it (frame = index).
class xCycleSwitch final : public xWidget {
public:
    xCycleSwitch(xIntView& view, xBitmap* strip, const xRect& rect, int states, bool focusable);

    void setParent(xRootInterface* root) override;
    void draw(xDrawContext& context) override { indicator_.draw(context); }
    void onLeftDown(const xMouseEvent& event) override { cycler_.onLeftDown(event); }

private:
    xClickCycler cycler_;
    xStripIndicator indicator_;
};

} // namespace vellum
