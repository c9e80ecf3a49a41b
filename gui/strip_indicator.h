#pragma once

#include <atomic>
#include <cstdint>

#include "gui/strip.h"
#include "gui/subject.h"
#include "gui/view_link.h"
#include "gui/widget.h"

namespace vellum {

// Shows an index view as a frame of a strip: frame = index. Nothing is drawn until the view
// has reported, nor for an index that has no frame.
class xStripIndicator final : public xWidget {
public:
    xStripIndicator(xIntView& view, xBitmap* strip, xPoint position, xSize frameSize, bool focusable);

    void draw(xDrawContext& context) override;

private:
    void viewChanged();

    xIntView& view_;
    xStrip strip_;
    std::atomic<std::int32_t> cache_{-1};
    xViewLink link_;
};

} // namespace vellum
