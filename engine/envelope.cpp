#include "engine/envelope.h"

#include "dsp/portable_math.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr LoopShape kLoopShapes[7] = {{3, false}, {0, false}, {1, false}, {2, false}, {0, true}, {1, true}, {2, true}};

double finiteOrZero(double v) noexcept
{
    return std::isfinite(v) ? v : 0.0;
}

} // namespace

LoopShape loopShapeForSetting(int setting) noexcept
{
    return (setting >= 0 && setting <= 6) ? kLoopShapes[setting] : kLoopShapes[0];
}

// ---- EnvelopeSegments ----------------------------------------------------------------------

EnvelopeSegments::EnvelopeSegments(int sampleRate) noexcept
    : rate(sampleRate < 1 ? 1 : sampleRate),
      invRate(1.0 / static_cast<double>(rate))
{
    for (int k = 0; k < 4; ++k)
        setTime(k, 0.0);
}

void EnvelopeSegments::setTime(int k, double seconds) noexcept
{
    if (k < 0 || k > 3)
        return;
    const double shortest = std::max(kMinTimeSeconds, kMinTimeSamples * invRate);
    // NaN and infinities are no time at all: they take the shortest one.
    const double t = std::isfinite(seconds) ? std::min(kMaxTimeSeconds, std::max(shortest, seconds)) : shortest;
    times[static_cast<std::size_t>(k)] = t;
    steps[static_cast<std::size_t>(k)] = 1.0 / (t * static_cast<double>(rate));
}

void EnvelopeSegments::setLoop(int loopStart, bool isPingPong, int repeats) noexcept
{
    firstLooped = (loopStart >= 0 && loopStart < kNoLoop) ? loopStart : kNoLoop;
    pingPong = isPingPong;
    allowedPasses = repeats == 0 ? kEndlessRepeats : repeats;
}

void EnvelopeSegments::setLoopSetting(int setting, int repeats) noexcept
{
    const LoopShape shape = loopShapeForSetting(setting);
    setLoop(shape.loopStart, shape.pingPong, repeats);
}

void EnvelopeSegments::restart() noexcept
{
    stageIndex = 0;
    pos = 0.0;
    passes = 0;
    dir = 1;
}

bool EnvelopeSegments::walk(int n) noexcept
{
    const double p =
        pos + static_cast<double>(n) * static_cast<double>(dir) * steps[static_cast<std::size_t>(stageIndex)];
    if (p >= 1.0) {
        const double carry = p - 1.0;
        if (stageIndex + 1 < kSegmentCount) {
            ++stageIndex;
            pos = carry;
        } else if (firstLooped < kNoLoop && passes < allowedPasses) {
            ++passes;
            if (pingPong) {
                pos = 1.0 - carry;
                dir = -1;
            } else {
                stageIndex = firstLooped;
                pos = carry;
            }
        } else {
            stageIndex = kStageSustain;
            pos = carry;
            return true;
        }
    } else if (p < 0.0) {
        --stageIndex;
        if (stageIndex >= firstLooped) {
            pos = p + 1.0;
        } else {
            // Turn at the loop start; this does not count a pass.
            ++stageIndex;
            pos = -p;
            dir = 1;
        }
    } else {
        pos = p;
    }
    return false;
}

// ---- Envelope ------------------------------------------------------------------------------

Envelope::Envelope(int sampleRate) noexcept : EnvelopeSegments(sampleRate)
{ }

void Envelope::setLevel(int k, double value) noexcept
{
    if (k >= 0 && k <= 4)
        levels[static_cast<std::size_t>(k)] = finiteOrZero(value);
}

void Envelope::reset() noexcept
{
    start = 0.0;
    out = 0.0;
    pos = 0.0;
    stageIndex = kStageOff;
    passes = 0;
    dir = 1;
}

void Envelope::trigger() noexcept
{
    if (levels[0] == 0.0) {
        start = out; // glide from where the envelope stands
    } else {
        start = levels[0];
        out = levels[0];
    }
    restart();
}

void Envelope::releaseStage() noexcept
{
    stageIndex = kStageRelease;
    pos = 0.0;
    dir = 1;
}

void Envelope::advance(int n) noexcept
{
    if (n <= 0)
        return;
    switch (stageIndex) {
    case kStageOff: return;
    case kStageSustain: out = levels[3]; return;
    case kStageRelease:
        out = out + (1.0 - portable::exp(-static_cast<double>(n) * invRate / times[3])) * (levels[4] - out);
        return;
    default: break;
    }

    if (walk(n)) {
        out = levels[3];
        return;
    }
    const std::size_t s = static_cast<std::size_t>(stageIndex);
    const double from = stageIndex == 0 ? start : levels[s];
    out = from + (levels[s + 1] - from) * pos;
}

// ---- MixEnvelope ---------------------------------------------------------------------------

MixEnvelope::MixEnvelope(int sampleRate) noexcept : EnvelopeSegments(sampleRate)
{ }

void MixEnvelope::setPoint(int k, double x, double y) noexcept
{
    if (k < 0 || k > 4)
        return;
    pointX[static_cast<std::size_t>(k)] = finiteOrZero(x);
    pointY[static_cast<std::size_t>(k)] = finiteOrZero(y);
}

void MixEnvelope::reset() noexcept
{
    stageIndex = kStageOff;
    outX = outY = 0.0;
    fadeFromX = fadeFromY = 0.0;
    pos = 0.0;
    passes = 0;
    dir = 1;
    fadeCounter = 1000;
    fadeWeight = 1.0f;
}

void MixEnvelope::trigger() noexcept
{
    fadeFromX = outX;
    fadeFromY = outY;
    restart();
    fadeCounter = 0;
    fadeWeight = 0.0f;
}

void MixEnvelope::releaseStage() noexcept
{
    stageIndex = kStageRelease;
    releaseFromX = outX;
    releaseFromY = outY;
    pos = 0.0;
    dir = 1;
}

void MixEnvelope::advance(int n) noexcept
{
    if (n <= 0)
        return;
    switch (stageIndex) {
    case kStageOff:
        outX = pointX[4];
        outY = pointY[4];
        return;
    case kStageSustain:
        outX = pointX[3];
        outY = pointY[3];
        return;
    case kStageRelease:
        pos += static_cast<double>(n) * steps[3];
        if (pos >= 1.0) {
            stageIndex = kStageOff;
            outX = pointX[4];
            outY = pointY[4];
        } else {
            outX = releaseFromX + (pointX[4] - releaseFromX) * pos;
            outY = releaseFromY + (pointY[4] - releaseFromY) * pos;
        }
        return;
    default: break;
    }

    if (walk(n)) {
        outX = pointX[3];
        outY = pointY[3];
        return;
    }

    // The count stops once the crossfade is over, so an endless loop cannot overflow it.
    if (fadeCounter < kCrossfadeBlocks) {
        ++fadeCounter;
        fadeWeight += 0.1f;
    }

    const std::size_t s = static_cast<std::size_t>(stageIndex);
    const double px = pointX[s] + (pointX[s + 1] - pointX[s]) * pos;
    const double py = pointY[s] + (pointY[s + 1] - pointY[s]) * pos;
    if (fadeCounter < kCrossfadeBlocks) {
        const double w = static_cast<double>(fadeWeight);
        outX = px * w + fadeFromX * (1.0 - w);
        outY = py * w + fadeFromY * (1.0 - w);
    } else {
        outX = px;
        outY = py;
    }
}

} // namespace ostrel
