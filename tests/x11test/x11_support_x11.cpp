#include "x11_support.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdio>

#include "png_io.h"

namespace x11test {

bool Checks::check(bool ok, const std::string& what)
{
    (ok ? passed_ : failed_)++;
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    return ok;
}

int Checks::summary(const char* name) const
{
    std::printf("%s: %d passed, %d failed\n", name, passed_, failed_);
    return failed_ == 0 ? 0 : 1;
}

Input::Input(Display* display, std::function<void(int)> pump) : display_(display), pump_(std::move(pump))
{ }

Input::~Input()
{
    releaseAll();
}

void Input::settle()
{
    XSync(display_, False);
    pump_(40);
}

void Input::moveTo(vellum::xPoint screen)
{
    XTestFakeMotionEvent(display_, DefaultScreen(display_), screen.x, screen.y, CurrentTime);
    settle();
}

void Input::press(unsigned button)
{
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    if (button < 8)
        held_[button] = true;
    settle();
}

void Input::release(unsigned button)
{
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    if (button < 8)
        held_[button] = false;
    settle();
}

void Input::click(unsigned button, vellum::xPoint screen)
{
    moveTo(screen);
    press(button);
    release(button);
}

void Input::shift(bool down)
{
    if (down == shift_)
        return;
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, XK_Shift_L), down ? True : False, CurrentTime);
    shift_ = down;
    settle();
}

void Input::keyDown(unsigned long keysym)
{
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), True, CurrentTime);
    settle();
}

void Input::keyUp(unsigned long keysym)
{
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), False, CurrentTime);
    settle();
}

void Input::tap(unsigned long keysym)
{
    keyDown(keysym);
    keyUp(keysym);
}

void Input::releaseAll()
{
    for (unsigned b = 1; b < 8; ++b) {
        if (held_[b])
            release(b);
    }
    shift(false);
}

namespace {

int countUnder(Display* display, Window window)
{
    int count = 1;
    for (Window child : childrenOf(display, window))
        count += countUnder(display, child);
    return count;
}

} // namespace

std::vector<Window> childrenOf(Display* display, Window window)
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        result.assign(children, children + count);
        if (children)
            XFree(children);
    }
    return result;
}

int countWindows(Display* display)
{
    return countUnder(display, DefaultRootWindow(display)) - 1;
}

Window createTopLevel(Display* display, int x, int y, int width, int height)
{
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
    attributes.event_mask = StructureNotifyMask | KeyPressMask;
    Window window = XCreateWindow(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, window, "test host");
    XMapWindow(display, window);
    XEvent event;
    do {
        XWindowEvent(display, window, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
    return window;
}

vellum::xPoint screenOrigin(Display* display, Window window)
{
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y};
}

Window findTopLevel(Display* display, const char* name)
{
    for (Window w : childrenOf(display, DefaultRootWindow(display))) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, w, &attributes) || attributes.map_state != IsViewable)
            continue;
        char* windowName = nullptr;
        const bool same = XFetchName(display, w, &windowName) && windowName && std::string(windowName) == name;
        if (windowName)
            XFree(windowName);
        if (same)
            return w;
    }
    return 0;
}

std::vector<std::uint8_t> readPixels(Display* display, Drawable drawable, const vellum::xRect& area)
{
    XImage* image = XGetImage(display, drawable, area.x, area.y, static_cast<unsigned>(area.width),
                              static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
    if (!image)
        return {};
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(area.width) * area.height * 4);
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            std::uint8_t* out = &pixels[(static_cast<std::size_t>(y) * area.width + x) * 4];
            out[0] = static_cast<std::uint8_t>(p & 0xFF);
            out[1] = static_cast<std::uint8_t>((p >> 8) & 0xFF);
            out[2] = static_cast<std::uint8_t>((p >> 16) & 0xFF);
            out[3] = 255;
        }
    }
    XDestroyImage(image);
    return pixels;
}

namespace {

pngio::Image pictureOf(const std::vector<std::uint8_t>& pixels, int width)
{
    const int height = width > 0 ? static_cast<int>(pixels.size() / 4 / static_cast<std::size_t>(width)) : 0;
    return pngio::fromWindowPixels(pixels.data(), width, height, width * 4);
}

} // namespace

long comparePixels(const std::vector<std::uint8_t>& window, const std::vector<std::uint8_t>& expected, int width,
                   std::string& first)
{
    if (window.size() != expected.size()) {
        first = " (sizes differ)";
        return -1;
    }
    const long differing = pngio::countDifferences(pictureOf(window, width), pictureOf(expected, width), first);
    if (differing != 0)
        first = " (" + first + ")";
    return differing;
}

void writePng(const std::string& path, const std::vector<std::uint8_t>& pixels, int width)
{
    pngio::write(path, pictureOf(pixels, width));
}

namespace {
int gHostErrors = 0;

int countHostError(Display* display, XErrorEvent* error)
{
    char text[128];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::printf("X error reached the host's handler: %s (request %d)\n", text, error->request_code);
    ++gHostErrors;
    return 0;
}
} // namespace

void installHostErrorCounter()
{
    XSetErrorHandler(countHostError);
}

int hostErrorCount()
{
    return gHostErrors;
}

} // namespace x11test
