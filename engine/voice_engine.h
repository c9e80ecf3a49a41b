#pragma once

#include "dsp/chorus.h"
#include "dsp/multimode_filter.h"
#include "dsp/random.h"
#include "dsp/wave_bank.h"
#include "engine/decimator.h"
#include "engine/event_queue.h"
#include "engine/lfo.h"
#include "engine/modulation.h"
#include "engine/play_positions.h"
#include "engine/voice.h"
#include "engine/voice_params.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel {

class Patch;

// The synthesis engine: 32 voices with their allocation lists, the two global LFOs, the stereo
// chorus and the output decimators. It runs at twice the host's sample rate in sub-blocks of
// 64 internal samples (32 host samples); MIDI events take effect at sub-block boundaries.
//
// Built once (it allocates everything it will ever use) and then driven from the audio thread
// only: nothing here allocates, locks or calls the system afterwards. Where the last started
// voice stands in its envelopes goes out, for the editor's display, through a PlayPositions
// record the engine's owner hands it (the editor never reads the engine itself).
class VoiceEngine {
public:
    static constexpr int kMaxVoices = 32;
    static constexpr int kInitialVoices = 8;
    static constexpr int kSubBlock = 64;              // internal samples
    static constexpr int kMaxBlock = 8000;            // host frames per renderBlock call
    static constexpr int kInternalBufferSize = 16384; // holds 2 * kMaxBlock + carry

    // hostSampleRate: whole hertz, at least 1; the engine runs at twice that rate.
    explicit VoiceEngine(int hostSampleRate, const WaveBank& bank = waveBank());
    VoiceEngine(const VoiceEngine&) = delete;
    VoiceEngine& operator=(const VoiceEngine&) = delete;

    int sampleRate() const noexcept { return hostRate; }
    int internalRate() const noexcept { return 2 * hostRate; }

    // ---- parameters ----
    // Copies the patch into voiceParams() and modState() and applies the polyphony.
    void snapshotParameters(Patch& patch);
    VoiceParams& voiceParams() noexcept { return params; }
    ModState& modState() noexcept { return mod; }

    // ---- notes and voices ----
    // Acts on one event: note on or off (velocity 0), all notes off, bend, pressure, wheel,
    // the sustain pedal (a note released while it is down keeps its voice held until the pedal
    // goes up), all sound off (every voice stopped at once) and reset controllers.
    void applyEvent(const NoteEvent& event) noexcept;
    // Chooses the voice for a note-on: the voice already playing the note, else the idle voice
    // released longest ago, else (stolen) the voice released longest ago, else (stolen) the
    // oldest held voice. The voice goes to the front of the held list.
    Voice& allocateVoice(int note) noexcept;
    // Takes the voice out of both lists and puts it at the front of the released list.
    void moveToReleased(Voice& voice) noexcept;
    // Voices in use, 1..32 (clamped). Voices cut off are stopped at once; voices added join
    // the front of the released list idle.
    void setVoiceCount(int n) noexcept;

    int voiceCount() const noexcept { return activeVoices; }
    Voice& voice(int index) noexcept { return *voices[static_cast<std::size_t>(index)]; }
    const Voice& voice(int index) const noexcept { return *voices[static_cast<std::size_t>(index)]; }
    int heldCount() const noexcept { return heldLength; }
    int releasedCount() const noexcept { return releasedLength; }
    // Voice indices in list order (front first).
    int heldVoice(int position) const noexcept { return held[static_cast<std::size_t>(position)]; }
    int releasedVoice(int position) const noexcept { return released[static_cast<std::size_t>(position)]; }
    const Voice* lastStartedVoice() const noexcept { return lastStarted.load(std::memory_order_relaxed); }
    // The record the engine publishes the last started voice's envelope positions into at the
    // end of every renderBlock (null: none). Set by the owner before the engine renders; the
    // record must outlive the engine.
    void setPlayPositions(PlayPositions* positions) noexcept { playOut.store(positions, std::memory_order_release); }
    PlayPositions* playPositions() const noexcept { return playOut.load(std::memory_order_acquire); }

    bool sustainPedal() const noexcept { return pedalDown; }
    float pitchBend() const noexcept { return mod.pitchBend; }
    float modWheel() const noexcept { return wheel; }
    float aftertouch() const noexcept { return pressure; }

    // ---- rendering ----
    // Renders n host frames (0..kMaxBlock) into left and right, overwriting them, applying the
    // queue's events as their time comes. Event times count from `timeOffset` (the frame of
    // the host block this slice starts at). After the last slice of a host block every event
    // still queued is applied, so an event timed beyond its block takes effect at the block's
    // end instead of waiting in the queue; after an earlier slice only the events up to the
    // next sub-block boundary are.
    void renderBlock(EventQueue& queue, float* left, float* right, int n, std::int64_t timeOffset = 0,
                     bool lastSlice = true) noexcept;
    // Renders one sub-block of 64 internal samples into L and R.
    void renderSubBlock(float* left, float* right) noexcept;

    // Internal samples rendered beyond the last output block, 0..63.
    int carry() const noexcept { return carried; }

private:
    void removeFromLists(int index) noexcept;
    void pushFrontHeld(int index) noexcept;
    void pushFrontReleased(int index) noexcept;
    int indexOf(const Voice& voice) const noexcept;
    void releaseVoice(int index) noexcept;
    void setPedal(bool down) noexcept;

    int hostRate;
    VoiceParams params;
    ModState mod;
    float wheel = 0.0f;
    float pressure = 0.0f;
    bool pedalDown = false;
    // Voices whose key is up but which the pedal holds.
    std::array<bool, kMaxVoices> sustained{};

    Random random; // the LFOs' sample-and-hold and the chorus rate factors
    DitherSeed filterDither;
    NoiseSeed noiseSeed; // the noise of this engine's oscillators: reproducible per instance
    std::array<std::unique_ptr<Voice>, kMaxVoices> voices;
    int activeVoices = kInitialVoices;
    std::array<int, kMaxVoices> held{};
    std::array<int, kMaxVoices> released{};
    int heldLength = 0;
    int releasedLength = 0;
    std::atomic<const Voice*> lastStarted{nullptr};
    std::atomic<PlayPositions*> playOut{nullptr};

    Lfo lfo1;
    Lfo lfo2;
    Chorus chorusLeft;
    Chorus chorusRight;
    Decimator decimatorLeft;
    Decimator decimatorRight;
    // One sub-block per voice, for running the sounding voices' filters together.
    std::array<std::array<float, kSubBlock>, kMaxVoices> voiceBlocks{};
    std::vector<float> internalLeft;
    std::vector<float> internalRight;
    int carried = 0;
};

} // namespace ostrel
