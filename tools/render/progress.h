#pragma once

// A progress bar on stderr for renders that take a while: drawn only when enabled (stderr
// is a terminal and the user did not ask for quiet), and only once the render has run for
// half a second, so short renders print nothing.

#include <chrono>
#include <cstdint>

namespace ostrel::render {

class ProgressBar {
public:
    ProgressBar(bool enabled, std::int64_t totalFrames, int sampleRate);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t doneFrames);
    // Erases the bar (before other output, and at the end); the next update redraws it.
    void clear();

private:
    bool enabled_;
    bool shown_ = false;
    std::int64_t total_;
    int rate_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// True when the stream descriptor is a terminal.
bool isTerminal(int fd);

} // namespace ostrel::render
