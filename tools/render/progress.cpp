#include "tools/render/progress.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace ostrel::render {

namespace {

constexpr auto kFirstDraw = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kWidth = 40;

} // namespace

bool isTerminal(int fd)
{
    return isatty(fd) == 1;
}

ProgressBar::ProgressBar(bool enabled, std::int64_t totalFrames, int sampleRate)
    : enabled_(enabled && totalFrames > 0),
      total_(totalFrames),
      rate_(std::max(sampleRate, 1)),
      started_(std::chrono::steady_clock::now()),
      lastDraw_(started_)
{ }

ProgressBar::~ProgressBar()
{
    clear();
}

void ProgressBar::update(std::int64_t doneFrames)
{
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - started_ < kFirstDraw || (shown_ && now - lastDraw_ < kRedraw))
        return;
    lastDraw_ = now;
    const double fraction = std::clamp(static_cast<double>(doneFrames) / static_cast<double>(total_), 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '=');
    if (filled < kWidth)
        bar += '>';
    bar.resize(kWidth, ' ');
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f / %.1f s", bar.c_str(), static_cast<int>(fraction * 100.0),
                 static_cast<double>(doneFrames) / rate_, static_cast<double>(total_) / rate_);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressBar::clear()
{
    if (!shown_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

} // namespace ostrel::render
