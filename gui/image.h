#pragma once

#include "gui/bitmap.h"
#include "gui/shared_ref.h"
#include "gui/widget.h"

namespace vellum {

// A whole bitmap at a position; the widget is as large as the bitmap (0 x 0 without one).
class xImage final : public xWidget {
public:
    xImage(xBitmap* bitmap, xPoint position);

    void draw(xDrawContext& context) override;

private:
    xSharedRef<xBitmap> bitmap_;
};

} // namespace vellum
