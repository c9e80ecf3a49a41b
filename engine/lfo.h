#pragma once

#include "dsp/random.h"
#include "patch/patch_sizes.h"

namespace ostrel {

// Global low-frequency oscillator: six waves over a phase 0..1, advanced once per sub-block by
// the block renderer and read any number of times in between. Free-running; notes and program
// changes never restart it. Audio thread only.
class Lfo {
public:
    static constexpr int kWaveCount = kLfoWaveCount;
    enum Wave : int { kSine = 0, kTriangle, kSawUp, kSawDown, kSquare, kSampleAndHold };

    // sampleRate: the engine's internal rate (values below 1 are treated as 1).
    // random: generator for the sample-and-hold wave, shared with whatever else on the audio
    // thread draws from it; nullptr gives the LFO a generator of its own (seed 1).
    explicit Lfo(int sampleRate, Random* random = nullptr) noexcept;

    // Hertz; NaN and infinities give 0. The phase is kept.
    void setRate(double hertz) noexcept;
    // 0..5; any other value selects the sine. The phase is kept, so the output may jump.
    void setWave(int w) noexcept { wave = (w >= 0 && w < kWaveCount) ? w : kSine; }

    // Current value, -1..1. Reading changes nothing, so the order of reads does not matter.
    double value() const noexcept;
    // Moves the phase on by n samples. On the sample-and-hold wave a phase that wraps or
    // crosses 0.5 draws the new held value here, once per advance.
    void advance(int n) noexcept;

    double phase() const noexcept { return phase01; }
    double previousPhase() const noexcept { return prevPhase01; }
    double rateHz() const noexcept { return rate; }
    int currentWave() const noexcept { return wave; }
    float heldValue() const noexcept { return held; }

private:
    double phase01 = 0.0;
    double prevPhase01 = 0.0;
    double rate = 1.0;
    int sampleRate;
    double invRate;
    int wave = kSine;
    float held = 0.0f;
    Random* sharedRandom;
    Random ownRandom;
};

} // namespace ostrel
