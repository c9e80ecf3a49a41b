#pragma once

#include "engine/engine_sizes.h"

#include <array>
#include <cstdint>

namespace ostrel {

// Loop start and direction of an envelope loop setting (the patch's 0..6 loop values).
struct LoopShape {
    int loopStart; // first looped segment 0..2; 3 means no loop
    bool pingPong; // back and forth instead of jumping back
};

// 0: no loop; 1..3: segments 0..2, 1..2 or 2 repeat; 4..6: the same ranges back and forth.
// Any other value (possible from chunk data) means no loop.
LoopShape loopShapeForSetting(int setting) noexcept;

// The segment walk shared by the one- and two-dimensional envelopes: three timed segments
// through breakpoints 0..3 with an optional loop over them, a sustain and a release. The
// position is advanced once per sub-block; at most one segment boundary is crossed per
// advance and the overshoot carries into the next segment.
//
// All operations run on the audio thread; the editor may read stage() and the outputs
// without a lock, for display only.
class EnvelopeSegments {
public:
    static constexpr int kSegmentCount = 3;
    static constexpr int kStageSustain = 3;
    static constexpr int kStageRelease = 4;
    static constexpr int kStageOff = 5;
    static constexpr int kNoLoop = 3;
    static constexpr std::int32_t kEndlessRepeats = 1 << 30;
    // Shortest time a segment may have: 1 ms, and never less than one sub-block,
    // so one advance never passes a whole segment. Also replaces zero, negative, NaN and
    // infinite times (possible from chunk data).
    static constexpr double kMinTimeSeconds = 0.001;
    static constexpr double kMinTimeSamples = kSubBlock;
    // Longest finite time kept; longer ones are clamped to it.
    static constexpr double kMaxTimeSeconds = 1.0e6;

    // time[k] in seconds for k = 0..3 (3 is the release); other k are ignored. Times outside
    // the range above are replaced as described there.
    void setTime(int k, double seconds) noexcept;
    // Loop start 0..2 (anything else: no loop), direction, passes allowed (0 = endless).
    void setLoop(int loopStart, bool pingPong, int repeats) noexcept;
    // The patch's loop value 0..6 and repeat count.
    void setLoopSetting(int setting, int repeats) noexcept;

    int stage() const noexcept { return stageIndex; }
    double position() const noexcept { return pos; }
    int repeatsDone() const noexcept { return passes; }
    int direction() const noexcept { return dir; }
    double time(int k) const noexcept { return times[static_cast<std::size_t>(k & 3)]; }
    double step(int k) const noexcept { return steps[static_cast<std::size_t>(k & 3)]; }
    int loopStart() const noexcept { return firstLooped; }
    bool isPingPong() const noexcept { return pingPong; }
    int repeatCount() const noexcept { return allowedPasses; }
    int sampleRate() const noexcept { return rate; }

protected:
    explicit EnvelopeSegments(int sampleRate) noexcept;

    // Moves through segments 0..2 by n samples. Returns true when the walk has just entered
    // the sustain stage (the caller then outputs breakpoint 3).
    bool walk(int n) noexcept;
    void restart() noexcept;

    int rate;
    double invRate;
    int stageIndex = kStageOff;
    double pos = 0.0;
    int passes = 0;
    int dir = 1;
    std::array<double, 4> times{};
    std::array<double, 4> steps{};
    int firstLooped = 4;
    bool pingPong = false;
    int allowedPasses = kEndlessRepeats;
};

// One-dimensional envelope (filter and amplitude): five breakpoint levels, segment 0 starting
// from where the envelope stood at the trigger when level 0 is 0, and an exponential release
// towards level 4 with time constant time[3] that never ends by itself.
class Envelope : public EnvelopeSegments {
public:
    // sampleRate: the engine's internal rate (values below 1 are treated as 1).
    explicit Envelope(int sampleRate) noexcept;

    // k = 0..4; other k are ignored; NaN and infinite levels are stored as 0.
    void setLevel(int k, double value) noexcept;

    void reset() noexcept;        // at a note-on that changes the note: back to 0, off
    void trigger() noexcept;      // at every note-on, after reset if that ran
    void releaseStage() noexcept; // at note-off, from any stage
    void advance(int n) noexcept; // once per sub-block; n <= 0 does nothing

    double output() const noexcept { return out; }
    double level(int k) const noexcept { return levels[static_cast<std::size_t>(k < 0 || k > 4 ? 0 : k)]; }
    double startLevel() const noexcept { return start; }

private:
    std::array<double, 5> levels{};
    double start = 0.0;
    double out = 0.0;
};

// Two-dimensional envelope of the oscillator mix: five breakpoint points, segment 0 starting
// at point 0, a crossfade over the first nine sub-blocks after a trigger from where the mix
// stood, and a straight-line release to point 4 that takes time[3] and then stops.
class MixEnvelope : public EnvelopeSegments {
public:
    static constexpr int kCrossfadeBlocks = 10;

    explicit MixEnvelope(int sampleRate) noexcept;

    // k = 0..4; other k are ignored; NaN and infinite coordinates are stored as 0.
    void setPoint(int k, double x, double y) noexcept;

    void reset() noexcept;   // back to the centre of the plane, off
    void trigger() noexcept; // crossfades from the current position
    void releaseStage() noexcept;
    void advance(int n) noexcept; // n <= 0 does nothing

    double outputX() const noexcept { return outX; }
    double outputY() const noexcept { return outY; }
    int crossfadeCounter() const noexcept { return fadeCounter; }
    float crossfadeWeight() const noexcept { return fadeWeight; }

private:
    std::array<double, 5> pointX{};
    std::array<double, 5> pointY{};
    double fadeFromX = 0.0, fadeFromY = 0.0;
    double releaseFromX = 0.0, releaseFromY = 0.0;
    double outX = 0.0, outY = 0.0;
    int fadeCounter = 0;
    float fadeWeight = 0.0f;
};

} // namespace ostrel
