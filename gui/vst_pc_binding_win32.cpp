#include "gui/vst_pc_binding.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "gui/module_handle.h"
#include "gui/mouse_buttons.h"
#include "gui/root.h"

namespace vellum {

namespace {

constexpr char kClassName[] = "xVstPcBindingWndClass";
constexpr char kWindowName[] = "xVstPcBindingWnd";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMilliseconds = 50;

// Process-wide state, touched on the user-interface thread only: the bindings that hold the
// window class, all live bindings, and the message hook.
int gClassUsers = 0;
int gBindings = 0;
HHOOK gHook = nullptr;
bool gHookInstalled = false;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);

HINSTANCE instance()
{
    return static_cast<HINSTANCE>(moduleHandle());
}

bool registerClass()
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW); // NOLINT: the system's arrow cursor
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) != 0;
}

// Modifier bits from a mouse or wheel message's key flags (shift, control) and the key state
// (alt), in the bit layout of the event record that gets them.
struct ModifierBits {
    std::uint8_t shift, control, alt;
};
constexpr ModifierBits kMouseBits{mouse::kShift, mouse::kControl, mouse::kAlt};
constexpr ModifierBits kKeyBits{modifier::kShift, modifier::kControl, modifier::kAlt};

std::uint8_t modifiersOf(WPARAM keys, ModifierBits bits)
{
    std::uint8_t m = 0;
    if (keys & MK_SHIFT)
        m |= bits.shift;
    if (keys & MK_CONTROL)
        m |= bits.control;
    if (GetKeyState(VK_MENU) < 0)
        m |= bits.alt;
    return m;
}

std::uint8_t mouseModifiers(WPARAM keys)
{
    return modifiersOf(keys, kMouseBits);
}

// The signed 16-bit client coordinates of a mouse message.
int lowWord(LPARAM lParam)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uintptr_t>(lParam) & 0xFFFF));
}

int highWord(LPARAM lParam)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((static_cast<std::uintptr_t>(lParam) >> 16) & 0xFFFF));
}

bool isEditorWindow(HWND window)
{
    return GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&windowProc);
}

BOOL CALLBACK findEditor(HWND child, LPARAM found)
{
    if (!isEditorWindow(child))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

} // namespace

// The binding's Windows state: the child window, the DIB section the tile canvas draws into,
// and the mouse buttons the window holds.
class xVstPcBinding::Native final : public xMouseCapture {
public:
    explicit Native(xVstPcBinding& binding) : binding_(binding), buttons_(binding.root(), *this)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = xTileCanvas::kSize;
        info.bmiHeader.biHeight = -xTileCanvas::kSize; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        dib_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dib_ && bits)
            binding_.root().canvas().usePixels(static_cast<std::uint8_t*>(bits));
    }

    ~Native() override
    {
        binding_.root().canvas().usePixels(nullptr);
        if (dib_)
            DeleteObject(dib_);
    }

    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    HWND window() const { return window_.load(std::memory_order_acquire); }
    xVstPcBinding& binding() { return binding_; }
    xRoot& root() { return binding_.root(); }
    xMouseButtons& buttons() { return buttons_; }
    bool isTrackingMenu() const { return menusOpen_ > 0; }

    void created(HWND window)
    {
        window_.store(window, std::memory_order_release);
        SetTimer(window, kTimerId, kTimerMilliseconds, nullptr);
    }

    void destroyed(HWND window)
    {
        KillTimer(window, kTimerId);
        window_.store(nullptr, std::memory_order_release);
    }

    void paint(HWND window);

    int trackMenu(xMenu& menu, xPoint point);

private:
    void capture() override { SetCapture(window()); }
    void release() override { ReleaseCapture(); }

    xVstPcBinding& binding_;
    xMouseButtons buttons_;
    std::atomic<HWND> window_{nullptr};
    HBITMAP dib_ = nullptr;
    int menusOpen_ = 0;
};

namespace {

// Blits each finished tile from the DIB section to the window.
class WindowSink final : public xTileSink {
public:
    WindowSink(HDC target, HDC canvas) : target_(target), canvas_(canvas) { }
    void copyTile(const xTileCanvas&, const xRect& tile) override
    {
        BitBlt(target_, tile.x, tile.y, tile.width, tile.height, canvas_, 0, 0, SRCCOPY);
        // The next tile is drawn straight into the DIB's memory: the blit must be done.
        GdiFlush();
    }

private:
    HDC target_;
    HDC canvas_;
};

} // namespace

void xVstPcBinding::Native::paint(HWND window)
{
    PAINTSTRUCT ps{};
    HDC target = BeginPaint(window, &ps);
    if (target && dib_) {
        HDC canvas = CreateCompatibleDC(target);
        HGDIOBJ old = SelectObject(canvas, dib_);
        WindowSink sink(target, canvas);
        root().paint(
            sink,
            {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top});
        SelectObject(canvas, old);
        DeleteDC(canvas);
    }
    EndPaint(window, &ps);
}

int xVstPcBinding::Native::trackMenu(xMenu& menu, xPoint point)
{
    HWND w = window();
    if (!w)
        return 0;
    ++menusOpen_;
    const int chosen = binding_.xHostWindow::popupMenu(menu, point);
    --menusOpen_;
    return chosen;
}

namespace {

xVstPcBinding::Native* nativeOf(HWND window)
{
    return reinterpret_cast<xVstPcBinding::Native*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* native = static_cast<xVstPcBinding::Native*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native));
        native->created(window);
        return 0;
    }
    xVstPcBinding::Native* native = nativeOf(window);
    if (!native)
        return DefWindowProcA(window, message, wParam, lParam);
    const int x = lowWord(lParam);
    const int y = highWord(lParam);
    switch (message) {
    case WM_DESTROY:
        native->destroyed(window);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return 0;
    case WM_PAINT: native->paint(window); return 0;
    case WM_LBUTTONDOWN: native->buttons().press(xMouseButton::left, x, y, mouseModifiers(wParam)); return 0;
    case WM_RBUTTONDOWN: native->buttons().press(xMouseButton::right, x, y, mouseModifiers(wParam)); return 0;
    case WM_MOUSEMOVE: native->buttons().move(x, y, mouseModifiers(wParam)); return 0;
    case WM_LBUTTONUP: native->buttons().release(xMouseButton::left, x, y, mouseModifiers(wParam)); return 0;
    case WM_RBUTTONUP: native->buttons().release(xMouseButton::right, x, y, mouseModifiers(wParam)); return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: return 0;
    case WM_TIMER: native->root().onTimer(); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

std::uint8_t keyModifiers(bool alt)
{
    std::uint8_t m = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        m |= modifier::kShift;
    if (GetKeyState(VK_CONTROL) < 0)
        m |= modifier::kControl;
    if (alt)
        m |= modifier::kAlt;
    return m;
}

// Gives a message the hook took from the queue to the editor under the focus window. Returns
// true when the editor consumed it.
bool routeToEditor(const MSG& msg)
{
    HWND focus = GetFocus();
    if (!focus)
        return false;
    HWND editor = isEditorWindow(focus) ? focus : nullptr;
    if (!editor)
        EnumChildWindows(focus, findEditor, reinterpret_cast<LPARAM>(&editor));
    xVstPcBinding::Native* native = editor ? nativeOf(editor) : nullptr;
    // While a menu of the editor is open the keys are the menu's.
    if (!native || native->isTrackingMenu())
        return false;
    xRoot& root = native->root();
    switch (msg.message) {
    case WM_MOUSEWHEEL: {
        xWheelEvent event{modifiersOf(LOWORD(msg.wParam), kKeyBits), static_cast<std::int16_t>(HIWORD(msg.wParam)), 120,
                          0};
        root.onWheel(event);
        return event.handled != 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool system = msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSKEYUP;
        xKeyEvent event{keyModifiers(system), static_cast<std::uint32_t>(msg.wParam & 0xFFFFFFFFu), 0};
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)
            root.onKeyDown(event);
        else
            root.onKeyUp(event);
        return event.handled != 0;
    }
    case WM_SETFOCUS: root.onFocusGained(); return true;
    case WM_KILLFOCUS: root.onFocusLost(); return true;
    default: return false;
    }
}

LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam)
{
    // Only messages that leave the queue: a message merely peeked at would be seen again.
    if (code >= 0 && wParam == PM_REMOVE && routeToEditor(*reinterpret_cast<const MSG*>(lParam)))
        return 1;
    return CallNextHookEx(gHook, code, wParam, lParam);
}

} // namespace

xVstPcBinding::xVstPcBinding(int width, int height)
    : native_(std::make_unique<Native>(*this)),
      width_(std::max(width, 0)),
      height_(std::max(height, 0))
{
    ++gBindings;
    // A failed registration is not counted, so a later binding (or open) tries again.
    classRegistered_ = gClassUsers > 0 || registerClass();
    if (classRegistered_)
        ++gClassUsers;
}

xVstPcBinding::~xVstPcBinding()
{
    // A host may close the plug-in with the editor still open: the window goes first, so no
    // timer or hook message reaches this object once it is gone.
    close();
    root().detachHost();
    if (--gBindings == 0 && gHookInstalled) {
        UnhookWindowsHookEx(gHook);
        gHook = nullptr;
        gHookInstalled = false;
    }
    if (classRegistered_ && --gClassUsers == 0)
        UnregisterClassA(kClassName, instance());
    native_.reset();
}

const xEditorRect* xVstPcBinding::getRect()
{
    if (!rectKnown_) {
        const auto field = [](int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); };
        rect_ = {field(y_), field(x_), field(y_ + height_), field(x_ + width_)};
        rectKnown_ = true;
    }
    return &rect_;
}

bool xVstPcBinding::open(void* parentWindow)
{
    if (isOpen())
        close();
    if (!classRegistered_) {
        classRegistered_ = gClassUsers > 0 || registerClass();
        if (classRegistered_)
            ++gClassUsers;
    }
    auto* parent = static_cast<HWND>(parentWindow);
    HWND window = CreateWindowExA(0, kClassName, kWindowName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  x_, y_, width_, height_, parent, nullptr, instance(), native_.get());
    if (!window)
        return false;
    if (!gHookInstalled) {
        gHook = SetWindowsHookExA(WH_GETMESSAGE, hookProc, nullptr, GetWindowThreadProcessId(parent, nullptr));
        gHookInstalled = gHook != nullptr;
    }
    return true;
}

void xVstPcBinding::close()
{
    HWND window = native_->window();
    if (!window)
        return;
    native_->buttons().releaseAll(0, 0);
    DestroyWindow(window);
}

bool xVstPcBinding::isOpen() const
{
    return native_->window() != nullptr;
}

void xVstPcBinding::postUpdate()
{
    if (HWND window = native_->window())
        InvalidateRect(window, nullptr, FALSE);
}

void xVstPcBinding::invalidateRect(int x, int y, int width, int height)
{
    HWND window = native_ ? native_->window() : nullptr;
    if (!window)
        return;
    const RECT r{x, y, x + width, y + height};
    InvalidateRect(window, &r, FALSE);
}

void* xVstPcBinding::getNativeHandle()
{
    return native_ ? native_->window() : nullptr;
}

int xVstPcBinding::popupMenu(xMenu& menu, xPoint point)
{
    return native_->trackMenu(menu, point);
}

} // namespace vellum
