#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "gui/host_window.h"
#include "gui/mouse_buttons.h"
#include "gui/pixel_buffer.h"

namespace vellum {

// A window binding without a window: the root paints into a memory surface of any size, and a
// program feeds it mouse, wheel, key, focus and timer events the way a platform binding would
// (same button and capture rules). Popup menus are answered by a chooser the program sets, so
// menu items are chosen through the menu model without a native menu. Used by tests, the
// gallery tool and benchmarks.
class xHeadlessWindow final : public xHostWindow, private xMouseCapture {
public:
    // Gets the menu and its position; returns the id to choose, 0 to dismiss it.
    using MenuChooser = std::function<int(const xMenu& menu, xPoint point)>;

    xHeadlessWindow(int width, int height);
    ~xHeadlessWindow() override;

    // Collects the rectangle (clipped to the window) into the area waiting for paint. Any
    // thread.
    void invalidateRect(int x, int y, int width, int height) override;
    void* getNativeHandle() override { return nullptr; }
    // Asks the chooser (none: the menu is dismissed) and dispatches its answer.
    int popupMenu(xMenu& menu, xPoint point) override;
    void setMenuChooser(MenuChooser chooser) { chooser_ = std::move(chooser); }

    // Input. Modifiers of mouse events are mouse::kShift, kControl, kAlt bits; those of keys
    // and the wheel are modifier:: bits. Wheel and key calls return whether a widget handled
    // the event.
    void press(xMouseButton button, int x, int y, std::uint8_t modifiers = 0);
    void release(xMouseButton button, int x, int y, std::uint8_t modifiers = 0);
    void move(int x, int y, std::uint8_t modifiers = 0);
    void click(xMouseButton button, int x, int y, std::uint8_t modifiers = 0);
    bool wheel(int delta, std::uint8_t modifiers = 0);
    bool keyDown(std::uint32_t key, std::uint8_t modifiers = 0);
    bool keyUp(std::uint32_t key, std::uint8_t modifiers = 0);
    // Timer ticks (one every 50 ms in a real window).
    void tick(int count = 1);
    void focusGained();
    void focusLost();
    bool isCaptured() const { return captured_; }

    // Painting. The surface starts black; the root's tiles are copied into it.
    xRect invalidRect() const;
    // Paints the area waiting for paint, empties it and returns what was painted.
    xRect paintInvalid();
    // Paints a rectangle (clipped to the window) whether or not it was invalidated.
    void paint(const xRect& rect);
    void paintAll() { paint({0, 0, surface_.getRegion().width, surface_.getRegion().height}); }
    const xPixelBuffer& surface() const { return surface_; }

    xRoot& root() { return xHostWindow::root(); }

private:
    void capture() override { captured_ = true; }
    void release() override { captured_ = false; }

    xPixelBuffer surface_;
    mutable std::mutex invalidMutex_;
    xRect invalid_;
    xMouseButtons buttons_;
    bool captured_ = false;
    MenuChooser chooser_;
};

} // namespace vellum
