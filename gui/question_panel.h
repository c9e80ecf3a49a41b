#pragma once

#include <functional>
#include <string>

#include "gui/font.h"
#include "gui/shared_ref.h"
#include "gui/widget.h"

namespace vellum {

class xLayer;
class xRootInterface;

// The toolkit's own question: a box with a text and the buttons OK and Cancel, shown over the
// whole window, which it veils. While it is open it is the root's modal widget, so the controls
// below get no input. OK is the default button: Return presses the default, Escape is Cancel,
// Tab, Left and Right move the default between the two. A button acts when the left button is
// released over it after being pressed on it.
//
// Used where the platform has no message box of its own (X11). Shown with ask(), which adds a
// layer of its own to the root; the answer removes that layer again and then calls the
// listener (true for OK). User-interface thread only.
class xQuestionPanel final : public xWidget {
public:
    using Answered = std::function<void(bool ok)>;

    // Adds the panel over `window` (the window's rectangle) to the root and makes it modal,
    // with the text in "arial11" of the process's resource package (no package: the box
    // without text). Returns the panel, which lives until it is answered or the root goes.
    static xQuestionPanel* ask(xRootInterface& root, const xRect& window, std::string text, Answered answered);

    // Answers as if the button was pressed: takes the panel away (its layer is destroyed, now
    // or at the end of the current dispatch) and then tells the listener. Once only.
    void answer(bool ok);

    // The buttons' rectangles in window coordinates.
    xRect okButton() const;
    xRect cancelButton() const;
    xRect box() const { return box_; }
    bool okIsDefault() const { return okDefault_; }

    void draw(xDrawContext& context) override;
    void onLeftDown(const xMouseEvent& event) override;
    void onLeftUp(const xMouseEvent& event) override;
    void onKeyDown(xKeyEvent& event) override;
    void onKeyUp(xKeyEvent& event) override;
    void onWheel(xWheelEvent& event) override;

private:
    enum class Button { none, ok, cancel };

    xQuestionPanel(const xRect& window, xFont* font, std::string text, Answered answered);
    Button buttonAt(xPoint point) const;
    void drawButton(xDrawContext& context, const xRect& rect, const char* caption, bool isDefault) const;

    xSharedRef<xFont> font_;
    std::string text_;
    Answered answered_;
    xLayer* layer_ = nullptr;
    xRect box_;
    Button pressed_ = Button::none;
    bool okDefault_ = true;
    bool done_ = false;
};

} // namespace vellum
