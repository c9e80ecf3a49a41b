#include "window_support.h"

#include <algorithm>
#include <cstdio>

namespace windowtest {

namespace {

int gPassed = 0;
int gFailed = 0;

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void check(bool ok, const std::string& what)
{
    (ok ? gPassed : gFailed)++;
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
}

int summary(const char* name)
{
    std::printf("%s: %d passed, %d failed\n", name, gPassed, gFailed);
    return gFailed == 0 ? 0 : 1;
}

void pump(int milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (static_cast<int>(GetTickCount() - start) >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void drain()
{
    pump(30);
}

HWND openHostWindow(int x, int width, int height)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "OstrelTestHost";
        registered = RegisterClassExA(&wc) != 0;
    }
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND top =
        CreateWindowExA(0, "OstrelTestHost", "host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, 0, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(top, SW_SHOW);
    SetForegroundWindow(top);
    SetFocus(top);
    pump(200);
    return top;
}

HWND editorIn(HWND top)
{
    return FindWindowExA(top, nullptr, "xVstPcBindingWndClass", "xVstPcBindingWnd");
}

std::vector<std::uint8_t> readWindow(HWND editor, int width, int height)
{
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    drain();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    HDC window = GetDC(editor);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
    GdiFlush();
    if (bits)
        std::copy_n(static_cast<const std::uint8_t*>(bits), pixels.size(), pixels.begin());
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(editor, window);
    return pixels;
}

void comparePixels(const std::vector<std::uint8_t>& window, const std::vector<std::uint8_t>& headless, int width,
                   const std::string& what)
{
    long differing = 0;
    std::string first;
    for (std::size_t i = 0; i + 3 < window.size() && i + 3 < headless.size(); i += 4) {
        if (window[i] == headless[i] && window[i + 1] == headless[i + 1] && window[i + 2] == headless[i + 2])
            continue;
        if (differing++ == 0) {
            const auto p = static_cast<int>(i / 4);
            char line[160];
            std::snprintf(line, sizeof line, " (first at %d,%d: window %d %d %d, headless %d %d %d)", p % width,
                          p / width, window[i + 2], window[i + 1], window[i], headless[i + 2], headless[i + 1],
                          headless[i]);
            first = line;
        }
    }
    if (window.size() != headless.size())
        differing = -1;
    check(differing == 0, what + ": " + std::to_string(differing) + " pixels differ" + first);
}

void sendMouse(DWORD flags, int x, int y, int wheel)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = (x * 65536 + width / 2) / width;
    input.mi.dy = (y * 65536 + height / 2) / height;
    input.mi.mouseData = static_cast<DWORD>(wheel);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
    drain();
}

void sendKey(WORD key)
{
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
}

POINT onScreen(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
}

} // namespace windowtest
