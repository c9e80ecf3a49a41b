#pragma once

#include <atomic>

namespace ostrel {

class Voice;

// Where the engine's last started voice stands in its three envelopes, for the editor's play
// markers. The audio thread writes it at the end of every block it renders (publish); the
// editor's thread reads it whenever it draws (read). Every field is an atomic written and read
// with relaxed order, so neither thread ever waits for the other; a read that meets a write
// half done mixes two neighbouring blocks, which misplaces a marker for one frame at most.
//
// The record belongs to the plug-in object, which hands it to every engine it builds and
// outlives them all and the editor: the editor never reads an engine, so an engine rebuilt at
// a new sample rate cannot be freed under it.
class PlayPositions {
public:
    // A stage of the envelope walk (0..2 segments, 3 sustain, 4 release, 5 off) and the
    // position 0..1 within it.
    struct Standing {
        int stage = 5;
        float position = 0.0f;
    };
    struct Snapshot {
        bool hasVoice = false; // no voice was started yet (or none is known)
        Standing mix;
        Standing filter;
        Standing amp;
        float mixX = 0.0f; // the mix envelope's output, -1..1 each
        float mixY = 0.0f;
    };

    // Audio thread: the voice the engine started last (null: none).
    void publish(const Voice* voice) noexcept;
    // Any thread.
    Snapshot read() const noexcept;

private:
    struct AtomicStanding {
        std::atomic<int> stage{5};
        std::atomic<float> position{0.0f};
        void store(int s, double p) noexcept;
        Standing load() const noexcept;
    };

    std::atomic<bool> hasVoice_{false};
    AtomicStanding mix_;
    AtomicStanding filter_;
    AtomicStanding amp_;
    std::atomic<float> mixX_{0.0f};
    std::atomic<float> mixY_{0.0f};
};

} // namespace ostrel
