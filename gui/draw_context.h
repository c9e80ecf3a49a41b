#pragma once

#include "gui/rect.h"
#include "gui/surface.h"

namespace vellum {

// What a widget draws into: the tile canvas during a paint. The drawing operations take window
// coordinates and clip to the target's region, so a widget may draw without checking; `area`
// lets a widget skip work for tiles it does not touch.
class xDrawContext {
public:
    explicit xDrawContext(xSurface& target) : target_(target), area_(target.getRegion()) { }

    xSurface& surface() const { return target_; }
    // The window rectangle this paint step covers.
    const xRect& area() const { return area_; }
    bool touches(const xRect& r) const { return !intersect(r, area_).isEmpty(); }

private:
    xSurface& target_;
    xRect area_;
};

} // namespace vellum
