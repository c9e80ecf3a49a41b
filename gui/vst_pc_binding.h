#pragma once

#include <cstdint>
#include <memory>

#include "gui/editor_rect.h"
#include "gui/host_window.h"

namespace vellum {

// The Windows window binding: the editor lives in one child window ("xVstPcBindingWnd" of the
// class "xVstPcBindingWndClass") that it creates inside the window the host hands to open().
//  - the window procedure turns mouse messages into the root's events (a press releases the
//    other held button first; the mouse is captured from press to release; double clicks
//    arrive as two presses), paints the update rectangle in 128 x 128 tiles through a DIB
//    section, and ticks the root from a 50 ms timer;
//  - a WH_GETMESSAGE hook on the host's thread brings wheel and keys to the editor, because
//    the host keeps the keyboard focus: it looks for the editor among the focus window's
//    children and gives the root wheel, key and focus messages (a message the editor handled
//    is not passed to further hooks). It is installed at the first open in the process and
//    removed with the last binding; the window class is registered while bindings exist.
// The host adapter (host/) forwards the host's editor calls to getRect, open, close and idle.
// Everything runs on the host's user-interface thread, except invalidateRect (any thread).
// Implemented in vst_pc_binding_win32.cpp.
class xVstPcBinding final : public xHostWindow {
public:
    // A window of width x height pixels at (0, 0) in the host's window.
    xVstPcBinding(int width, int height);
    // Closes the window first if the host left it open.
    ~xVstPcBinding() override;

    // The same record on every call.
    const xEditorRect* getRect();
    // Creates the child window inside `parentWindow` (an HWND); false when it cannot be
    // created. Opening an open editor again reopens it in the new parent.
    bool open(void* parentWindow);
    // Destroys the child window (releasing any held mouse button first).
    void close();
    // Nothing to do: the window's timer drives the widgets.
    void idle() { }
    // Repaints the whole window.
    void postUpdate();
    bool isOpen() const;

    void invalidateRect(int x, int y, int width, int height) override;
    void* getNativeHandle() override;
    // Tracks the menu over the editor window; wheel and keys go to the menu meanwhile, not to
    // the widgets.
    int popupMenu(xMenu& menu, xPoint point) override;

    class Native;

private:
    std::unique_ptr<Native> native_;
    int x_ = 0;
    int y_ = 0;
    int width_;
    int height_;
    xEditorRect rect_;
    bool rectKnown_ = false;
    bool classRegistered_ = false;
};

} // namespace vellum
