#pragma once

#include <string>

#include "gui/font.h"
#include "gui/shared_ref.h"
#include "gui/widget.h"

namespace ostrel {

// One line of text on a translucent blue panel, shown by an envelope editor beside the point
// being dragged or hovered. Hidden until an editor shows it. User-interface thread only.
class EnvelopeReadout final : public vellum::xWidget {
public:
    explicit EnvelopeReadout(vellum::xFont* font);

    // Shows the text beside `point`: to its right and above it, or on the other side where
    // that would leave `bounds` (the editor's rectangle).
    void showAt(const std::string& text, vellum::xPoint point, const vellum::xRect& bounds);

    void draw(vellum::xDrawContext& context) override;

    const std::string& text() const { return text_; }

private:
    vellum::xSharedRef<vellum::xFont> font_;
    std::string text_;
    int opacity_;
};

} // namespace ostrel
