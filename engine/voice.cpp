#include "engine/voice.h"

#include "dsp/filter_lanes.h"
#include "dsp/gain_kernels.h"
#include "dsp/portable_math.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ostrel {

namespace {

constexpr double kA4 = 440.0;
constexpr int kA4Note = 69;

double clamp01(double x) noexcept
{
    return x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x;
}

} // namespace

Voice::Voice(std::uint32_t internalRate, const VoiceParams& voiceParams, const ModState& modState,
             NoiseSeed* ditherSeed, const WaveBank& bank, NoiseSeed* noise)
    : params(&voiceParams),
      mod(&modState),
      dither(ditherSeed ? ditherSeed : &ownDither),
      mixEnv(static_cast<int>(internalRate)),
      filterEnv(static_cast<int>(internalRate)),
      ampEnv(static_cast<int>(internalRate)),
      oscillators{Oscillator(internalRate, bank), Oscillator(internalRate, bank), Oscillator(internalRate, bank),
                  Oscillator(internalRate, bank)},
      voiceFilter(internalRate)
{
    for (auto& osc : oscillators)
        osc.setNoiseSource(noise);
    lastPitch.fill(std::numeric_limits<double>::quiet_NaN());
    lastSemitones.fill(std::numeric_limits<double>::quiet_NaN());
}

void Voice::refreshEnvelopes() noexcept
{
    if (!envelopesLoaded || loadedGeneration != params->generation)
        loadEnvelopes();
}

void Voice::loadEnvelopes() noexcept
{
    const VoiceParams& p = *params;
    loadedGeneration = p.generation;
    envelopesLoaded = true;
    for (int k = 0; k < VoiceParams::kTimes; ++k) {
        const auto i = static_cast<std::size_t>(k);
        mixEnv.setTime(k, p.mixTimeSeconds[i]);
        filterEnv.setTime(k, p.filterTimeSeconds[i]);
        ampEnv.setTime(k, p.ampTimeSeconds[i]);
    }
    for (int k = 0; k < VoiceParams::kPoints; ++k) {
        const auto i = static_cast<std::size_t>(k);
        mixEnv.setPoint(k, p.mixX[i], p.mixY[i]);
        filterEnv.setLevel(k, p.filterLevel[i]);
        ampEnv.setLevel(k, p.ampLevel[i]);
    }
    mixEnv.setLoopSetting(p.mixLoop, p.mixRepeat);
    filterEnv.setLoopSetting(p.filterLoop, p.filterRepeat);
    ampEnv.setLoopSetting(p.ampLoop, p.ampRepeat);
}

void Voice::startNote(int note, int velocity) noexcept
{
    loadEnvelopes();
    if (note != currentNote) {
        mixEnv.reset();
        filterEnv.reset();
        ampEnv.reset();
    }
    mixEnv.trigger();
    filterEnv.trigger();
    ampEnv.trigger();
    currentNote = note;
    currentVelocity = velocity;
    voiceState = Held;
    updateStaticMod();

    // Oscillators in unison or an octave apart start in phase with the earlier one, so they
    // do not beat or cancel at the start of the note; a later match overrides an earlier one.
    const auto& tuning = params->oscTuning;
    for (std::size_t j = 1; j < oscillators.size(); ++j) {
        for (std::size_t k = 0; k < j; ++k) {
            if (tuning[k] == tuning[j] || tuning[k] == 2.0 * tuning[j] || 2.0 * tuning[k] == tuning[j])
                oscillators[j].setPhase(oscillators[k].phase());
        }
    }
}

void Voice::release() noexcept
{
    if (voiceState != Held)
        return;
    mixEnv.releaseStage();
    filterEnv.releaseStage();
    ampEnv.releaseStage();
    voiceState = Released;
}

void Voice::steal() noexcept
{
    std::array<float, kFadeLength> tail{};
    renderVoice(tail.data(), kFadeLength);
    constexpr auto kLength = static_cast<float>(kFadeLength);
    for (int i = 0; i < kFadeLength; ++i)
        fade[static_cast<std::size_t>(i)] =
            tail[static_cast<std::size_t>(i)] * static_cast<float>(kFadeLength - 1 - i) / kLength;
    fadeIsPending = true;
    currentGain = 0.0;
}

void Voice::stop() noexcept
{
    voiceState = Idle;
    currentGain = 0.0;
    fadeIsPending = false;
}

void Voice::updateStaticMod() noexcept
{
    computeStaticMod(*mod, currentVelocity, currentNote, staticTerms);
}

void Voice::renderVoice(float* out, int n) noexcept
{
    n = std::clamp(n, 0, kSubBlock);
    if (!beginBlock(out, n))
        return;
    FilterState* filter = &voiceFilter;
    runFilterLanes(&filter, &out, 1, n, *dither);
    endBlock(out, n);
}

bool Voice::beginBlock(float* out, int n) noexcept
{
    n = std::clamp(n, 0, kSubBlock);
    if (voiceState == Idle) {
        std::fill_n(out, n, 0.0f);
        return false;
    }
    const VoiceParams& p = *params;
    const ModState& m = *mod;
    refreshEnvelopes();

    // Pitch: octaves relative to A4 from note, tuning, bend and modulation.
    const double filterEnvOut = filterEnv.output();
    const double base = static_cast<double>(currentNote - kA4Note);
    for (std::size_t k = 0; k < oscillators.size(); ++k) {
        const double semitones = base + p.oscTuning[k];
        if (!(semitones == lastSemitones[k])) {
            lastSemitones[k] = semitones;
            lastOctaves[k] = semitones / 12.0;
        }
        const double pitch = lastOctaves[k] + static_cast<double>(m.pitchBend)
            + pitchModulation(m, static_cast<int>(k), filterEnvOut, staticTerms);
        // Most sub-blocks repeat the last pitch: its frequency is already known.
        if (!(pitch == lastPitch[k])) {
            lastPitch[k] = pitch;
            lastFrequency[k] = kA4 * portable::exp2(pitch);
        }
        oscillators[k].setFrequency(lastFrequency[k]);
        oscillators[k].setWave(p.oscWave[k]);
    }

    // Vector mix: the point (X, Y) weighs the oscillators bilinearly over the diamond whose
    // corners are oscillators 1 (-1, 0), 2 (0, 1), 3 (1, 0) and 4 (0, -1).
    const MixOffset offset = mixModulation(m, staticTerms);
    const double x = mixEnv.outputX() + offset.dx;
    const double y = mixEnv.outputY() + offset.dy;
    const double u = clamp01(0.5 * (x + y) + 0.5);
    const double v = clamp01(0.5 * (x - y) + 0.5);
    oscillators[0].setAmplitude((1.0 - u) * (1.0 - v));
    oscillators[1].setAmplitude(u * (1.0 - v));
    oscillators[2].setAmplitude(u * v);
    oscillators[3].setAmplitude((1.0 - u) * v);

    const double cutoffIn = p.cutoff + cutoffModulation(m, currentNote)
        + filterEnvelopeDepth(m, p.filterEnvAmount, currentVelocity) * filterEnvOut;
    voiceFilter.setCutoff(cutoffIn);
    voiceFilter.setResonance(p.resonance);
    voiceFilter.setMode(p.filterMode);

    Oscillator::renderInTurn(oscillators.data(), static_cast<int>(oscillators.size()), out, n, true);
    return true;
}

void Voice::endBlock(float* out, int n) noexcept
{
    const GainRamp ramp = finishBlock(out, n);
    applyGainRamp(out, std::clamp(n, 1, kSubBlock), ramp.start, ramp.slope);
}

Voice::GainRamp Voice::finishBlock(float* out, int n) noexcept
{
    n = std::clamp(n, 1, kSubBlock);
    const VoiceParams& p = *params;
    const ModState& m = *mod;
    mixEnv.advance(n);
    filterEnv.advance(n);
    ampEnv.advance(n);

    // Amplitude: a linear ramp from the gain the previous sub-block reached to this one's
    // target. A released voice that starts a sub-block below the silence threshold ramps to
    // exactly 0 and ends.
    const double g0 = currentGain;
    const bool ending = voiceState == Released && std::fabs(g0) < kSilentGain;
    double target = ampEnv.output() * p.volumeGain * amplitudeModulation(m, currentVelocity);
    if (ending || !std::isfinite(target))
        target = 0.0;
    currentGain = target;
    GainRamp ramp{g0, (target - g0) / static_cast<double>(n)};

    if (fadeIsPending) {
        applyGainRamp(out, n, ramp.start, ramp.slope);
        for (int j = 0; j < kFadeLength && j < n; ++j) {
            const auto i = static_cast<std::size_t>(j);
            out[j] = out[j] * static_cast<float>(j) / static_cast<float>(kFadeLength) + fade[i];
        }
        fadeIsPending = false;
        ramp = GainRamp{1.0, 0.0};
    }
    if (ending)
        voiceState = Idle;
    return ramp;
}

double Voice::panModulation() const noexcept
{
    return ostrel::panModulation(*mod, currentVelocity, currentNote, filterEnv.output());
}

} // namespace ostrel
