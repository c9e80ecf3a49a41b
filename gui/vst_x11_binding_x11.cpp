#include "gui/vst_x11_binding.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

#include "gui/menu.h"
#include "gui/mouse_buttons.h"
#include "gui/resource_package.h"
#include "gui/root.h"
#include "gui/shared_ref.h"
#include "gui/x11_error_trap.h"
#include "gui/x11_image.h"
#include "gui/x11_keys.h"
#include "gui/x11_popup.h"

namespace vellum {

namespace {

constexpr char kWindowName[] = "xVstX11BindingWnd";
constexpr auto kTimerPeriod = std::chrono::milliseconds(50);
// Ticks given at most per idle call: a host that idles late gets a short catch-up, not a burst.
constexpr int kMaxTicksPerIdle = 4;
constexpr long kEditorEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask
    | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;

// Focus changes that come from a grab (our own popup menu's) or from the pointer are not the
// editor losing or gaining the keyboard.
bool isRealFocusChange(const XFocusChangeEvent& event)
{
    return (event.mode == NotifyNormal || event.mode == NotifyWhileGrabbed) && event.detail != NotifyPointer
        && event.detail != NotifyInferior;
}

} // namespace

// The binding's X11 state: the connection, the window with its background pixmap, the image
// that carries tiles to the server, the held mouse buttons, the open popup menu and question,
// the clock of the timer and the area waiting for paint.
class xVstX11Binding::Native final : public xMouseCapture {
public:
    Native(xVstX11Binding& binding, int width, int height)
        : binding_(binding),
          buttons_(binding.root(), *this),
          width_(width),
          height_(height)
    { }
    ~Native() override { close(); }
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    bool open(Window parent);
    void close();
    void idle();
    bool isOpen() const { return window_ != 0; }
    Window window() const { return window_; }
    void invalidate(const xRect& rect);
    void popupMenu(xMenu& menu, xPoint point);
    bool isMenuOpen() const { return popup_ != nullptr; }
    xQuestionPanel* askQuestion(std::string text, xQuestionPanel::Answered answered);

private:
    // The implicit pointer grab of a press already captures the mouse until the release.
    void capture() override { }
    void release() override { }

    xRoot& root() { return binding_.root(); }
    void handle(XEvent& event);
    void handleEditorEvent(XEvent& event);
    void handleKey(XKeyEvent& event, bool down);
    void tick();
    void paint();
    void closePopup();
    void finishPopup();
    void forgetWindow();
    void releaseDisplay();

    xVstX11Binding& binding_;
    xMouseButtons buttons_;
    int width_;
    int height_;

    Display* display_ = nullptr;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    Colormap colormap_ = 0;
    Window parent_ = 0;
    Window window_ = 0;
    Pixmap backing_ = 0;
    GC gc_ = nullptr;
    std::unique_ptr<xX11Image> image_;
    std::unique_ptr<xX11Popup> popup_;
    xMenu* popupMenu_ = nullptr;
    bool releaseAfterPress_ = false;
    xQuestionPanel* question_ = nullptr;
    std::chrono::steady_clock::time_point lastTick_;

    std::atomic<bool> accepting_{false}; // invalidations are collected while the window exists
    std::mutex invalidMutex_;
    xRect invalid_;
};

namespace {

// Puts each finished tile into the backing pixmap.
class PixmapSink final : public xTileSink {
public:
    PixmapSink(xX11Image& image, Pixmap pixmap, GC gc) : image_(image), pixmap_(pixmap), gc_(gc) { }
    void copyTile(const xTileCanvas& canvas, const xRect& tile) override
    {
        image_.put(pixmap_, gc_, canvas.pixels(), xTileCanvas::kStride, tile.width, tile.height, tile.x, tile.y);
    }

private:
    xX11Image& image_;
    Pixmap pixmap_;
    GC gc_;
};

} // namespace

bool xVstX11Binding::Native::open(Window parent)
{
    close();
    display_ = XOpenDisplay(nullptr);
    if (!display_)
        return false;
    xX11ErrorTrap::survivesLostConnection(display_);
    bool made = false;
    {
        xX11ErrorTrap trap(display_);
        XWindowAttributes parentAttributes{};
        // An id that is no window answers BadWindow here (trapped): no editor.
        if (parent != 0 && XGetWindowAttributes(display_, parent, &parentAttributes) && trap.sync()) {
            const int screen = DefaultScreen(display_);
            visual_ = DefaultVisual(display_, screen);
            depth_ = DefaultDepth(display_, screen);
            colormap_ = DefaultColormap(display_, screen);
            image_ = std::make_unique<xX11Image>(display_, visual_, depth_);

            XSetWindowAttributes attributes{};
            attributes.background_pixmap = None;
            attributes.border_pixel = 0;
            attributes.colormap = colormap_;
            attributes.event_mask = kEditorEvents;
            window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(width_),
                                    static_cast<unsigned>(height_), 0, depth_, InputOutput, visual_,
                                    CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
            XStoreName(display_, window_, kWindowName);
            backing_ = XCreatePixmap(display_, window_, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                                     static_cast<unsigned>(depth_));
            gc_ = XCreateGC(display_, backing_, 0, nullptr);
            made = trap.sync() && image_->isUsable();
            if (made) {
                parent_ = parent;
                accepting_.store(true, std::memory_order_release);
                // The whole picture goes into the pixmap before the window shows it.
                invalidate({0, 0, width_, height_});
                paint();
                XSetWindowBackgroundPixmap(display_, window_, backing_);
                XMapWindow(display_, window_);
                made = trap.sync();
            }
        }
        if (!made)
            forgetWindow();
    }
    if (!made) {
        releaseDisplay();
        return false;
    }
    lastTick_ = std::chrono::steady_clock::now();
    return true;
}

void xVstX11Binding::Native::forgetWindow()
{
    accepting_.store(false, std::memory_order_release);
    {
        std::lock_guard lock(invalidMutex_);
        invalid_ = {};
    }
    closePopup();
    if (question_)
        question_->answer(false); // the question panel clears itself from `question_`
    buttons_.releaseAll(0, 0);
    if (!display_)
        return;
    if (gc_)
        XFreeGC(display_, gc_);
    if (backing_)
        XFreePixmap(display_, backing_);
    if (window_)
        XDestroyWindow(display_, window_);
    gc_ = nullptr;
    backing_ = 0;
    window_ = 0;
    parent_ = 0;
    image_.reset();
}

void xVstX11Binding::Native::releaseDisplay()
{
    if (!display_)
        return;
    XCloseDisplay(display_);
    display_ = nullptr;
}

void xVstX11Binding::Native::close()
{
    if (!display_)
        return;
    {
        xX11ErrorTrap trap(display_);
        forgetWindow();
    }
    releaseDisplay();
}

void xVstX11Binding::Native::invalidate(const xRect& rect)
{
    if (!accepting_.load(std::memory_order_acquire))
        return;
    const xRect area = intersect(rect, {0, 0, width_, height_});
    std::lock_guard lock(invalidMutex_);
    invalid_ = unite(invalid_, area);
}

void xVstX11Binding::Native::idle()
{
    if (!display_)
        return;
    if (xX11ErrorTrap::isLost(display_)) {
        // The server went away: nothing of the window is left to free on it.
        accepting_.store(false, std::memory_order_release);
        window_ = 0;
        return;
    }
    xX11ErrorTrap trap(display_);
    while (display_ && window_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handle(event);
    }
    if (!window_)
        return;
    tick();
    paint();
    XFlush(display_);
}

void xVstX11Binding::Native::tick()
{
    const auto now = std::chrono::steady_clock::now();
    int ticks = static_cast<int>((now - lastTick_) / kTimerPeriod);
    if (ticks <= 0)
        return;
    if (ticks > kMaxTicksPerIdle) {
        ticks = kMaxTicksPerIdle;
        lastTick_ = now;
    } else {
        lastTick_ += ticks * kTimerPeriod;
    }
    for (int i = 0; i < ticks && window_; ++i)
        root().onTimer();
}

void xVstX11Binding::Native::paint()
{
    xRect area;
    {
        std::lock_guard lock(invalidMutex_);
        area = invalid_;
        invalid_ = {};
    }
    if (area.isEmpty() || !backing_ || !image_)
        return;
    PixmapSink sink(*image_, backing_, gc_);
    root().paint(sink, area);
    // The server repaints the window from its background, the pixmap.
    XClearArea(display_, window_, area.x, area.y, static_cast<unsigned>(area.width), static_cast<unsigned>(area.height),
               False);
}

void xVstX11Binding::Native::handle(XEvent& event)
{
    if (popup_) {
        const bool forPopup = event.xany.window == popup_->window() || event.type == ButtonPress
            || event.type == ButtonRelease || event.type == MotionNotify || event.type == KeyPress
            || event.type == KeyRelease;
        if (forPopup) {
            popup_->handle(event);
            finishPopup();
            return;
        }
    }
    if (event.xany.window == window_)
        handleEditorEvent(event);
}

void xVstX11Binding::Native::handleEditorEvent(XEvent& event)
{
    switch (event.type) {
    case Expose: invalidate({event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height}); return;
    case ButtonPress: {
        const XButtonEvent& b = event.xbutton;
        const std::uint8_t modifiers = mouseModifiersOf(b.state);
        if (b.button == Button1 || b.button == Button3) {
            // Keys follow the click: the editor takes the keyboard focus from the host's window.
            XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
            buttons_.press(b.button == Button1 ? xMouseButton::left : xMouseButton::right, b.x, b.y, modifiers);
            if (releaseAfterPress_) {
                // The press opened a menu, which now has the pointer: its release will not come here.
                releaseAfterPress_ = false;
                buttons_.releaseAll(b.x, b.y);
            }
        } else if (b.button == Button4 || b.button == Button5) {
            xWheelEvent wheel{keyModifiersOf(b.state), b.button == Button4 ? 120 : -120, 120, 0};
            root().onWheel(wheel);
        }
        return;
    }
    case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        const xMouseButton button = b.button == Button1 ? xMouseButton::left : xMouseButton::right;
        // Only the button the editor holds: one released early by a press of the other is done.
        if ((b.button == Button1 || b.button == Button3) && buttons_.isHeld(button))
            buttons_.release(button, b.x, b.y, mouseModifiersOf(b.state));
        return;
    }
    case MotionNotify: buttons_.move(event.xmotion.x, event.xmotion.y, mouseModifiersOf(event.xmotion.state)); return;
    case KeyPress: handleKey(event.xkey, true); return;
    case KeyRelease: handleKey(event.xkey, false); return;
    case FocusIn:
        if (isRealFocusChange(event.xfocus))
            root().onFocusGained();
        return;
    case FocusOut:
        if (isRealFocusChange(event.xfocus))
            root().onFocusLost();
        return;
    case DestroyNotify:
        // The host destroyed its window, and ours with it.
        if (event.xdestroywindow.window == window_) {
            window_ = 0;
            forgetWindow();
        }
        return;
    default: return;
    }
}

void xVstX11Binding::Native::handleKey(XKeyEvent& event, bool down)
{
    xKeyEvent key{keyModifiersOf(event.state), virtualKeyOf(XLookupKeysym(&event, 0)), 0};
    if (down)
        root().onKeyDown(key);
    else
        root().onKeyUp(key);
    if (key.handled || !parent_ || !window_)
        return;
    // A key no widget wants belongs to the host (its shortcuts, its transport).
    XEvent forward;
    forward.xkey = event;
    forward.xkey.window = parent_;
    forward.xkey.subwindow = None;
    XSendEvent(display_, parent_, True, down ? KeyPressMask : KeyReleaseMask, &forward);
}

void xVstX11Binding::Native::popupMenu(xMenu& menu, xPoint point)
{
    if (!window_)
        return;
    closePopup();
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), point.x, point.y, &rootX, &rootY, &child);
    Window rootWindow = 0;
    int pointerX = 0;
    int pointerY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    XQueryPointer(display_, window_, &rootWindow, &child, &pointerX, &pointerY, &windowX, &windowY, &mask);
    xResourcePackage* package = getPackage();
    xSharedRef<xFont> font(package ? package->getFont("arial11") : nullptr);
    popup_ = std::make_unique<xX11Popup>(display_, visual_, depth_, colormap_, *image_, menu, font.get(),
                                         xPoint{rootX, rootY}, xPoint{pointerX, pointerY});
    popupMenu_ = &menu;
    releaseAfterPress_ = buttons_.isHeld(xMouseButton::left) || buttons_.isHeld(xMouseButton::right);
}

void xVstX11Binding::Native::finishPopup()
{
    if (!popup_ || popup_->state() == xX11Popup::State::open)
        return;
    const bool chosen = popup_->state() == xX11Popup::State::chosen;
    const int id = popup_->chosenId();
    xMenu* menu = popupMenu_;
    closePopup();
    if (chosen && menu)
        menu->choose(id);
}

void xVstX11Binding::Native::closePopup()
{
    popup_.reset();
    popupMenu_ = nullptr;
}

xQuestionPanel* xVstX11Binding::Native::askQuestion(std::string text, xQuestionPanel::Answered answered)
{
    if (!window_)
        return nullptr;
    if (question_)
        question_->answer(false);
    question_ = xQuestionPanel::ask(root(), {0, 0, width_, height_}, std::move(text),
                                    [this, answered = std::move(answered)](bool ok) {
                                        question_ = nullptr;
                                        if (answered)
                                            answered(ok);
                                    });
    return question_;
}

xVstX11Binding::xVstX11Binding(int width, int height)
    : native_(std::make_unique<Native>(*this, std::max(width, 0), std::max(height, 0))),
      width_(std::max(width, 0)),
      height_(std::max(height, 0))
{ }

xVstX11Binding::~xVstX11Binding()
{
    // A host may close the plug-in with the editor still open: the window goes first.
    close();
    root().detachHost();
    native_.reset();
}

const xEditorRect* xVstX11Binding::getRect()
{
    if (!rectKnown_) {
        const auto field = [](int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); };
        rect_ = {0, 0, field(height_), field(width_)};
        rectKnown_ = true;
    }
    return &rect_;
}

bool xVstX11Binding::open(void* parentWindow)
{
    // X window ids are pointer-sized integers here (Window is an unsigned long).
    const Window parent = reinterpret_cast<std::uintptr_t>(parentWindow);
    return native_->open(parent);
}

void xVstX11Binding::close()
{
    native_->close();
}

void xVstX11Binding::idle()
{
    native_->idle();
}

void xVstX11Binding::postUpdate()
{
    native_->invalidate({0, 0, width_, height_});
}

bool xVstX11Binding::isOpen() const
{
    return native_->isOpen();
}

xQuestionPanel* xVstX11Binding::askQuestion(std::string text, xQuestionPanel::Answered answered)
{
    return native_->askQuestion(std::move(text), std::move(answered));
}

bool xVstX11Binding::isMenuOpen() const
{
    return native_->isMenuOpen();
}

void xVstX11Binding::invalidateRect(int x, int y, int width, int height)
{
    if (native_)
        native_->invalidate({x, y, width, height});
}

void* xVstX11Binding::getNativeHandle()
{
    return native_ ? reinterpret_cast<void*>(native_->window()) : nullptr;
}

int xVstX11Binding::popupMenu(xMenu& menu, xPoint point)
{
    native_->popupMenu(menu, point);
    return 0;
}

} // namespace vellum
