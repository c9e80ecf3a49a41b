#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "gallery/scenario.h"

// Plays gallery scenario steps as real window messages: mouse messages posted to the editor
// window, wheel and key messages posted to the host's top-level window (which has the keyboard
// focus), so that they reach the editor only through its message hook, as in a host. Between
// steps the thread's queue is run empty.
class WindowDriver {
public:
    WindowDriver(HWND top, HWND editor) : top_(top), editor_(editor) { }

    void play(const std::vector<gallery::Step>& steps);
    void step(const gallery::Step& step);

    // Dispatches messages for at least `milliseconds` (timers and paints come meanwhile).
    static void pump(int milliseconds);
    // Dispatches until the queue stays empty.
    static void drain();

private:
    void postMouse(UINT message, int x, int y, std::uint8_t modifiers);
    void postKey(UINT message, std::uint32_t key);
    void withShift(bool shift, UINT message, std::uint32_t key);

    HWND top_;
    HWND editor_;
    bool left_ = false;
    bool right_ = false;
};
