#pragma once

#include "dsp/filter_state.h"
#include "dsp/noise_seed.h"
#include "dsp/oscillator.h"
#include "engine/engine_sizes.h"
#include "engine/envelope.h"
#include "engine/modulation.h"
#include "engine/voice_params.h"

#include <array>
#include <cstdint>

namespace ostrel {

// One voice: four wavetable oscillators blended by a two-dimensional vector mix, a multimode
// filter driven by its envelope, and an amplitude envelope applied as a per-sample ramp. It
// renders one sub-block at a time, reading the engine's per-block VoiceParams and ModState.
//
// Everything here runs on the audio thread; the editor may read state(), note() and the
// envelopes without a lock, for display only.
class Voice {
public:
    enum State : std::int32_t { Idle = 0, Held = 1, Released = 2 };
    static constexpr int kNoNote = -1;            // note of a voice that never played
    static constexpr int kFadeLength = kSubBlock; // samples of the crossfade after a steal: one sub-block
    static constexpr double kSilentGain = 0.0001;

    // internalRate: the engine's internal sample rate. The voice reads `params` and `mod`
    // from then on (the engine owns them). dither: the filter noise seed shared by the
    // engine's voices (they render one after the other); null gives the voice its own.
    // noise: the noise generator shared by the engine's voices (null: the process-wide one).
    Voice(std::uint32_t internalRate, const VoiceParams& params, const ModState& mod, NoiseSeed* dither,
          const WaveBank& bank = waveBank(), NoiseSeed* noise = nullptr);

    // Starts (or restarts) a note: loads the envelope settings, resets the envelopes when the
    // note changes, triggers them, computes the static modulation and aligns the phases of
    // oscillators tuned in unison or an octave apart.
    void startNote(int note, int velocity) noexcept;
    // Held -> Released: the envelopes enter their release. Other states are unchanged.
    void release() noexcept;
    // Renders one more sub-block of the current note, faded out linearly, to be added under
    // the next note's faded-in first sub-block; the gain restarts from 0.
    void steal() noexcept;
    // Silent at once, without a fade.
    void stop() noexcept;

    // Recomputes the velocity and key terms from the current amounts and routes.
    void updateStaticMod() noexcept;

    // Renders n (at most kSubBlock) samples into out. An idle voice writes zeros.
    void renderVoice(float* out, int n) noexcept;

    // renderVoice in three steps, so the engine can run the filters of all sounding voices
    // together (runFilterLanes) between the first and the last: beginBlock sets pitch, mix
    // and filter inputs and renders the oscillators into out (false, and zeros, for an idle
    // voice); then the filter runs on out; endBlock advances the envelopes and applies the
    // amplitude ramp and the steal crossfade.
    bool beginBlock(float* out, int n) noexcept;
    void endBlock(float* out, int n) noexcept;
    // endBlock without the amplitude ramp: returns it (gain at sample j: start + j * slope) for
    // the caller to apply on the way out. A pending steal crossfade is applied here, ramp
    // included, and the ramp returned is then 1 throughout (an exact no-op).
    struct GainRamp {
        double start, slope;
    };
    GainRamp finishBlock(float* out, int n) noexcept;
    FilterState& filterState() noexcept { return voiceFilter; }
    // Pan offset of the voice, from the values of the last rendered sub-block.
    double panModulation() const noexcept;

    State state() const noexcept { return voiceState; }
    int note() const noexcept { return currentNote; }
    int velocity() const noexcept { return currentVelocity; }
    double gain() const noexcept { return currentGain; }
    bool fadePending() const noexcept { return fadeIsPending; }
    const float* fadeBuffer() const noexcept { return fade.data(); }
    const MixEnvelope& mixEnvelope() const noexcept { return mixEnv; }
    const Envelope& filterEnvelope() const noexcept { return filterEnv; }
    const Envelope& ampEnvelope() const noexcept { return ampEnv; }
    const Oscillator& oscillator(int k) const noexcept
    {
        return oscillators[static_cast<std::size_t>(k) % oscillators.size()];
    }
    const FilterState& filter() const noexcept { return voiceFilter; }
    float staticMod(int column) const noexcept { return staticTerms[static_cast<std::size_t>(column)]; }

private:
    void loadEnvelopes() noexcept;
    // loadEnvelopes when the parameters changed since the last load.
    void refreshEnvelopes() noexcept;

    const VoiceParams* params;
    const ModState* mod;
    NoiseSeed ownDither; // used when the engine gives no shared seed
    NoiseSeed* dither;

    std::uint32_t loadedGeneration = 0;
    bool envelopesLoaded = false;
    int currentNote = kNoNote;
    int currentVelocity = 0;
    State voiceState = Idle;
    bool fadeIsPending = false;
    double currentGain = 0.0;
    std::array<float, kFadeLength> fade{};

    MixEnvelope mixEnv;
    Envelope filterEnv;
    Envelope ampEnv;
    std::array<Oscillator, VoiceParams::kOscillators> oscillators;
    FilterState voiceFilter;
    std::array<float, mod::kStaticModCount> staticTerms{};
    // The pitch of each oscillator in the last sub-block (octaves re A4; NaN: none yet) and
    // the frequency it gave.
    std::array<double, VoiceParams::kOscillators> lastPitch;
    // The note plus tuning of each oscillator and that sum in octaves (/ 12), kept because it
    // changes only with the note or the patch.
    std::array<double, VoiceParams::kOscillators> lastSemitones;
    std::array<double, VoiceParams::kOscillators> lastOctaves{};
    std::array<double, VoiceParams::kOscillators> lastFrequency{};
};

} // namespace ostrel
