#pragma once

#include "gui/subject.h"
#include "gui/widget.h"

namespace vellum {

// An invisible click area that steps an index view through a number of states: a left press
// inside writes index + 1, wrapping to 0 after the last state (an index out of range also
// starts again at 0), as one gesture on the view. It does not mark the click handled, so widgets below see it too.
class xClickCycler final : public xWidget {
public:
    // At least one state.
    xClickCycler(xIntView& view, const xRect& rect, int states, bool focusable);

    void onLeftDown(const xMouseEvent& event) override;

private:
    xIntView& view_;
    int states_;
};

} // namespace vellum
