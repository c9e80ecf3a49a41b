// The X11 binding's last step of a full 760 x 500 repaint: the picture put into a window-sized
// server pixmap through the binding's image, with MIT-SHM (argument 1) and with plain
// XPutImage over the connection (argument 0), up to the server's answer. Needs an X display
// ($DISPLAY, e.g. under xvfb-run); skipped without one.

#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gui/x11_image.h"

namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 500;

// One connection for the whole run: the benchmark calls the function several times while it
// settles the iteration count.
Display* display()
{
    static Display* const connection = XOpenDisplay(nullptr);
    return connection;
}

void putPicture(benchmark::State& state)
{
    Display* d = display();
    if (!d) {
        state.SkipWithError("no X display");
        return;
    }
    const int screen = DefaultScreen(d);
    const int depth = DefaultDepth(d, screen);
    vellum::xX11Image image(d, DefaultVisual(d, screen), depth, state.range(0) != 0);
    const Pixmap pixmap = XCreatePixmap(d, RootWindow(d, screen), kWidth, kHeight, static_cast<unsigned>(depth));
    GC gc = XCreateGC(d, pixmap, 0, nullptr);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
    for (auto _ : state) {
        image.put(pixmap, gc, pixels.data(), kWidth * 4, kWidth, kHeight, 0, 0);
        XSync(d, False);
    }
    state.SetLabel(image.usesSharedMemory() ? "MIT-SHM" : "XPutImage");
    XFreeGC(d, gc);
    XFreePixmap(d, pixmap);
}

} // namespace

BENCHMARK(putPicture)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
