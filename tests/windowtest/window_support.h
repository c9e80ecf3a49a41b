#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the window tests under Wine share: their pass and fail counts, a top-level window that
// stands in for a host's, the pixels of a window, and input through the system's input queue.
namespace windowtest {

// Prints "ok: what" or "FAILED: what" and counts it.
void check(bool ok, const std::string& what);
// Prints "NAME: N passed, M failed" and returns the process's exit code.
int summary(const char* name);

// A top-level window of the given client size standing in for the host's, shown at (x, 0) with
// the keyboard focus.
HWND openHostWindow(int x, int width, int height);
// The editor window (the toolkit's Windows binding) inside a host window; null if none.
HWND editorIn(HWND top);

// The window's pixels as blue, green, red, x, after it has painted everything.
std::vector<std::uint8_t> readWindow(HWND window, int width, int height);
// Checks that two pictures of the given width are the same, counting the pixels that differ.
void comparePixels(const std::vector<std::uint8_t>& window, const std::vector<std::uint8_t>& headless, int width,
                   const std::string& what);

// Mouse input through SendInput at a screen point, as a user makes it (the pointer moves there
// first); the thread's messages are handled afterwards.
void sendMouse(DWORD flags, int x, int y, int wheel = 0);
// A key pressed and released through SendInput.
void sendKey(WORD key);
// A client point of a window on the screen.
POINT onScreen(HWND window, int x, int y);

// Dispatches the thread's messages for at least `milliseconds`; drain() until they stop.
void pump(int milliseconds);
void drain();

} // namespace windowtest
