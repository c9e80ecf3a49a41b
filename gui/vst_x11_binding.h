#pragma once

#include <memory>
#include <string>

#include "gui/editor_rect.h"
#include "gui/host_window.h"
#include "gui/question_panel.h"

namespace vellum {

// The X11 window binding (Linux): the editor lives in one child window ("xVstX11BindingWnd")
// that it creates, on a display connection of its own, inside the window whose id the host
// hands to open().
//  - No thread of its own: the widgets run on the host's user-interface thread, so idle()
//    (which Linux hosts call regularly while an editor is open) drains the connection's events,
//    gives the root its 50 ms timer ticks by the clock, and paints what was invalidated.
//  - Input: buttons 1 and 3 with capture (a press first releases the other held button),
//    motion, the wheel (buttons 4 and 5) as deltas of +-120, keys with shift, control and alt as
//    virtual-key codes; a click takes the keyboard focus; keys no widget handles go on to the
//    host's window.
//  - Paint: the root's 128 x 128 tiles go into a window-sized server pixmap (MIT-SHM where the
//    server has it) that is the window's background, so the server itself repaints exposed
//    parts; a host that never calls idle() keeps the picture of open().
//  - Popup menus are drawn by the toolkit (xPopupMenuView) in an override-redirect window at
//    the trigger, with the pointer and keyboard grabbed; they do not block: popupMenu returns
//    0 at once and the choice reaches xMenu::choose from a later idle().
//  - X errors of this connection are trapped (never the process's handler, whose default
//    exits): an invalid parent makes open() answer false, a parent destroyed under the editor
//    leaves a closed binding behind.
// Everything runs on the host's user-interface thread, except invalidateRect (any thread).
// Implemented in vst_x11_binding_x11.cpp.
class xVstX11Binding final : public xHostWindow {
public:
    xVstX11Binding(int width, int height);
    // Closes the window first if the host left it open.
    ~xVstX11Binding() override;

    // The same record on every call.
    const xEditorRect* getRect();
    // Opens a connection to the display ($DISPLAY) and creates the window inside
    // `parentWindow` (an X window id); false when either cannot be made. Opening an open
    // editor again reopens it in the new parent.
    bool open(void* parentWindow);
    // Closes an open menu and question (Cancel), destroys the window and the connection.
    void close();
    // Events, timer ticks and paint; does nothing while closed.
    void idle();
    // Repaints the whole window at the next idle().
    void postUpdate();
    // Whether the editor window exists (false after the host destroyed it).
    bool isOpen() const;

    // Shows the toolkit's question panel over the editor (a question still open is answered
    // Cancel first); `answered` hears true for OK, false for Cancel (also when the editor closes
    // first), from a later idle() or close(). Returns the panel, which lives until it is
    // answered; null, and `answered` is never called, while the editor is not open.
    xQuestionPanel* askQuestion(std::string text, xQuestionPanel::Answered answered);
    // Whether a popup menu is open.
    bool isMenuOpen() const;

    void invalidateRect(int x, int y, int width, int height) override;
    // The window id (as a pointer-sized value); null while closed.
    void* getNativeHandle() override;
    int popupMenu(xMenu& menu, xPoint point) override;

    class Native;

private:
    std::unique_ptr<Native> native_;
    int width_;
    int height_;
    xEditorRect rect_;
    bool rectKnown_ = false;
};

} // namespace vellum
