#pragma once

#include <mutex>
#include <string>

#include "gui/colours.h"
#include "gui/font.h"
#include "gui/shared_ref.h"
#include "gui/subject.h"
#include "gui/view_link.h"
#include "gui/widget.h"

namespace vellum {

// Shows a parameter's text view (plus an optional unit after it), centred in its rectangle:
// white text, optionally on a background (black and opaque unless changed). The text is
// re-read when the view reports a change; only a different text repaints, and only the union
// of the old and the new text's place. Nothing is drawn until the view has reported once.
class xValueDisplay final : public xWidget {
public:
    xValueDisplay(xTextView& view, xFont* font, const xRect& rect, bool background);

    void setBackgroundColour(xColour colour);
    // As for xColorPanel: 0 opaque, 1 invisible.
    void setTransparency(float transparency);
    // Text drawn right after the value, e.g. "dB" (empty by default).
    void setUnit(std::string unit);

    void draw(xDrawContext& context) override;

    // The text as shown (value and unit); empty until the view has reported.
    std::string shownText() const;

private:
    void viewChanged();
    // Where a text is drawn: centred, or from the left edge when it is wider than the widget.
    xRect placeOf(const std::string& text) const;

    xTextView& view_;
    xSharedRef<xFont> font_;
    bool background_;
    xColour backgroundColour_ = colours::black;
    xColour textColour_ = colours::white;
    int opacity_ = 255;
    mutable std::mutex textMutex_; // the text is written by listeners on any thread
    bool known_ = false;
    std::string value_;
    std::string unit_;
    xViewLink link_;
};

} // namespace vellum
