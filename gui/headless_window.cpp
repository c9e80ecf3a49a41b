#include "gui/headless_window.h"

#include <algorithm>
#include <cstring>

#include "gui/menu.h"
#include "gui/root.h"

namespace vellum {

namespace {

// Copies finished tiles into the window-sized memory surface.
class SurfaceSink final : public xTileSink {
public:
    explicit SurfaceSink(xPixelBuffer& target) : target_(target) { }

    void copyTile(const xTileCanvas& canvas, const xRect& tile) override
    {
        const xRect window = target_.getRegion();
        const xRect area = intersect(tile, window);
        for (int y = area.y; y < area.bottom(); ++y) {
            const std::uint8_t* from = canvas.pixels() + static_cast<std::size_t>(y - tile.y) * xTileCanvas::kStride
                + static_cast<std::size_t>(area.x - tile.x) * 4;
            std::uint8_t* to = target_.pixels() + static_cast<std::size_t>(y - window.y) * target_.stride()
                + static_cast<std::size_t>(area.x - window.x) * 4;
            std::memcpy(to, from, static_cast<std::size_t>(area.width) * 4);
        }
    }

private:
    xPixelBuffer& target_;
};

} // namespace

xHeadlessWindow::xHeadlessWindow(int width, int height) : surface_(0, 0, width, height), buttons_(root(), *this)
{ }

xHeadlessWindow::~xHeadlessWindow()
{
    root().detachHost();
}

void xHeadlessWindow::invalidateRect(int x, int y, int width, int height)
{
    const xRect area = intersect({x, y, width, height}, surface_.getRegion());
    std::lock_guard lock(invalidMutex_);
    invalid_ = unite(invalid_, area);
}

xRect xHeadlessWindow::invalidRect() const
{
    std::lock_guard lock(invalidMutex_);
    return invalid_;
}

xRect xHeadlessWindow::paintInvalid()
{
    xRect area;
    {
        std::lock_guard lock(invalidMutex_);
        area = invalid_;
        invalid_ = {};
    }
    paint(area);
    return area;
}

void xHeadlessWindow::paint(const xRect& rect)
{
    SurfaceSink sink(surface_);
    root().paint(sink, intersect(rect, surface_.getRegion()));
}

int xHeadlessWindow::popupMenu(xMenu& menu, xPoint point)
{
    const int id = chooser_ ? chooser_(menu, point) : 0;
    menu.choose(id);
    return id;
}

void xHeadlessWindow::press(xMouseButton button, int x, int y, std::uint8_t modifiers)
{
    buttons_.press(button, x, y, modifiers);
}

void xHeadlessWindow::release(xMouseButton button, int x, int y, std::uint8_t modifiers)
{
    buttons_.release(button, x, y, modifiers);
}

void xHeadlessWindow::move(int x, int y, std::uint8_t modifiers)
{
    buttons_.move(x, y, modifiers);
}

void xHeadlessWindow::click(xMouseButton button, int x, int y, std::uint8_t modifiers)
{
    press(button, x, y, modifiers);
    release(button, x, y, modifiers);
}

bool xHeadlessWindow::wheel(int delta, std::uint8_t modifiers)
{
    xWheelEvent event{modifiers, delta, 120, 0};
    root().onWheel(event);
    return event.handled != 0;
}

bool xHeadlessWindow::keyDown(std::uint32_t key, std::uint8_t modifiers)
{
    xKeyEvent event{modifiers, key, 0};
    root().onKeyDown(event);
    return event.handled != 0;
}

bool xHeadlessWindow::keyUp(std::uint32_t key, std::uint8_t modifiers)
{
    xKeyEvent event{modifiers, key, 0};
    root().onKeyUp(event);
    return event.handled != 0;
}

void xHeadlessWindow::tick(int count)
{
    for (int i = 0; i < count; ++i)
        root().onTimer();
}

void xHeadlessWindow::focusGained()
{
    root().onFocusGained();
}

void xHeadlessWindow::focusLost()
{
    root().onFocusLost();
}

} // namespace vellum
