#pragma once

#include "gui/color_panel.h"

namespace vellum {

// A panel that takes the root's modal state while it is shown, so every mouse press, move,
// wheel and key goes to it alone (a popup such as a chooser drawn over the other controls).
//  - show: an enabled panel with a root becomes the modal widget, then shows;
//  - hide: shows no more and gives the modal state back;
//  - a press outside its rectangle, or Escape, closes it: disabled and hidden (a subclass
//    decides what a press inside does; the base keeps the panel open and modal).
// User-interface thread only.
class xModalPanel : public xColorPanel {
public:
    xModalPanel(const xRect& rect, xColour colour);

    void show(bool redraw) override;
    void hide(bool redraw) override;
    void onLeftDown(const xMouseEvent& event) override;
    void onKeyDown(xKeyEvent& event) override;

    // Whether the panel holds the modal state.
    bool isShown() const { return shown_; }

protected:
    // Disables and hides the panel (with redraw), giving the modal state back.
    void close();

private:
    bool shown_ = false;
};

} // namespace vellum
