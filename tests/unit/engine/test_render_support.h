#pragma once

// Shared set-up of the engine tests: a wave bank whose stored waves are all one sine cycle,
// and an engine with an initialised patch, its event queue and helpers to feed MIDI and
// render host blocks.
#include "dsp/wave_bank.h"
#include "engine/event_queue.h"
#include "engine/voice_engine.h"
#include "patch/patch.h"
#include "tests/support/wave_resources.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel::testing {

inline const WaveBank& sineBank()
{
    static const std::unique_ptr<WaveBank> bank = [] {
        const std::vector<unsigned char> bytes = sineWavesResource(2000.0);
        auto b = std::make_unique<WaveBank>();
        b->build(bytes.data(), bytes.size());
        return b;
    }();
    return *bank;
}

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;
};

// An engine at a host rate of 44100 Hz on the init patch (oscillator 1 sounding alone through
// the centre of the mix, chorus off), with its queue.
struct EngineRig {
    explicit EngineRig(int hostRate = 44100) : engine(std::make_unique<VoiceEngine>(hostRate, sineBank()))
    {
        patch.initPatch();
    }

    void midi(std::int32_t time, int status, int data1, int data2)
    {
        queueMidiMessage(queue, time, static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                         static_cast<std::uint8_t>(data2));
    }
    void noteOn(int note, int velocity = 100, std::int32_t time = 0) { midi(time, 0x90, note, velocity); }
    void noteOff(int note, std::int32_t time = 0) { midi(time, 0x80, note, 0); }

    // Snapshot and one host block; the output is appended to `into` when given.
    void render(int frames, Stereo* into = nullptr)
    {
        std::vector<float> l(static_cast<std::size_t>(frames)), r(static_cast<std::size_t>(frames));
        engine->snapshotParameters(patch);
        engine->renderBlock(queue, l.data(), r.data(), frames);
        if (into) {
            into->left.insert(into->left.end(), l.begin(), l.end());
            into->right.insert(into->right.end(), r.begin(), r.end());
        }
    }
    Stereo renderFrames(int frames, int blockSize = 32)
    {
        Stereo out;
        for (int done = 0; done < frames; done += blockSize)
            render(std::min(blockSize, frames - done), &out);
        return out;
    }

    Patch patch{nullptr};
    std::unique_ptr<VoiceEngine> engine;
    EventQueue queue;
};

inline bool anyNonZero(const std::vector<float>& v)
{
    for (float x : v) {
        if (x != 0.0f)
            return true;
    }
    return false;
}

} // namespace ostrel::testing
