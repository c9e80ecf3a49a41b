#include "engine/snapshot.h"

#include "dsp/portable_math.h"
#include "dsp/wave_names.h"
#include "patch/patch.h"

#include <cmath>

namespace ostrel {

namespace {

// A float parameter's value inside its range; NaN takes the bottom of the range.
double readFloat(xFloatParam* param)
{
    const float v = param->value().get();
    const float lo = param->min();
    const float hi = param->max();
    if (std::isnan(v) || v < lo)
        return static_cast<double>(lo);
    if (v > hi)
        return static_cast<double>(hi);
    return static_cast<double>(v);
}

// An index parameter's value, or `fallback` when it lies outside 0..count-1.
int readIndex(xIntParam* param, int count, int fallback)
{
    const std::int32_t v = param->value().get();
    return (v >= 0 && v < count) ? static_cast<int>(v) : fallback;
}

} // namespace

double envelopeSeconds(double setting) noexcept
{
    return portable::exp10(3.0 * setting) * 10.0 * 0.001;
}

double volumeGainOf(double decibels) noexcept
{
    return decibels < -39.0 ? 0.0 : portable::exp10(decibels / 20.0);
}

int snapshotParameters(Patch& patch, VoiceParams& p, ModState& mod) noexcept
{
    for (std::size_t k = 0; k < VoiceParams::kOscillators; ++k) {
        p.oscWave[k] = static_cast<std::uint32_t>(readIndex(patch.oscWaveform[k], kWaveCount, kNullWave));
        p.oscTuning[k] = std::floor(readFloat(patch.oscTune[k]) + 0.1) + readFloat(patch.oscFinetune[k]) * 0.01;
    }
    for (std::size_t k = 0; k < VoiceParams::kTimes; ++k) {
        p.mixTimeSeconds[k] = readFloat(patch.mixTime[k]) * 0.001; // milliseconds
        p.filterTimeSeconds[k] = envelopeSeconds(readFloat(patch.filterTime[k]));
        p.ampTimeSeconds[k] = envelopeSeconds(readFloat(patch.ampTime[k]));
    }
    for (std::size_t k = 0; k < VoiceParams::kPoints; ++k) {
        p.mixX[k] = readFloat(patch.mixX[k]);
        p.mixY[k] = readFloat(patch.mixY[k]);
        p.filterLevel[k] = readFloat(patch.filterLevel[k]);
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(kAmpLevelCount); ++k)
        p.ampLevel[k] = readFloat(patch.ampLevel[k]);
    p.ampLevel[4] = 0.0;

    p.mixLoop = readIndex(patch.mixLoop, kLoopModeCount, 0);
    p.mixRepeat = readIndex(patch.mixRepeat, kRepeatCount, 0);
    p.filterLoop = readIndex(patch.filterLoop, kLoopModeCount, 0);
    p.filterRepeat = readIndex(patch.filterRepeat, kRepeatCount, 0);
    p.ampLoop = readIndex(patch.ampLoop, kLoopModeCount, 0);
    p.ampRepeat = readIndex(patch.ampRepeat, kRepeatCount, 0);

    p.cutoff = readFloat(patch.cutoff);
    p.resonance = readFloat(patch.resonance);
    p.filterEnvAmount = readFloat(patch.filterEnvAmount);
    p.volumeGain = volumeGainOf(readFloat(patch.volume));

    std::array<double, kPanCount> pan{};
    for (std::size_t k = 0; k < static_cast<std::size_t>(kPanCount); ++k)
        pan[k] = readFloat(patch.pan[k]);
    for (std::size_t i = 0; i < VoiceParams::kPanSlots; ++i)
        p.panSlot[i] = pan[i % static_cast<std::size_t>(kPanCount)];

    for (std::size_t k = 0; k < static_cast<std::size_t>(kLfoCount); ++k) {
        p.lfoWave[k] = readIndex(patch.lfoWave[k], kLfoWaveCount, 0);
        p.lfoRate[k] = readFloat(patch.lfoRate[k]);
    }
    p.chorusRate = static_cast<float>(readFloat(patch.chorusRate));
    p.chorusDepth = static_cast<float>(readFloat(patch.chorusDepth) * 0.5);
    p.chorusOn = patch.chorusOn->value().get() == 1;
    p.filterMode = static_cast<std::uint32_t>(readIndex(patch.filterMode, kFilterModeCount, 0));

    ++p.generation;

    for (std::size_t row = 0; row < static_cast<std::size_t>(kModRows); ++row)
        mod.amount[row] = static_cast<float>(readFloat(patch.modAmount[row]));
    mod.clearRoutes();
    for (std::size_t row = 0; row < static_cast<std::size_t>(kModRows); ++row) {
        for (std::size_t column = 0; column < static_cast<std::size_t>(kModColumns); ++column) {
            xIntParam* cell = patch.modRoute[row][column];
            if (cell && cell->value().get() != 0)
                mod.route[row][column] = 1;
        }
    }

    // Polyphony + 0.01 truncated toward zero; the clamp keeps it a valid voice count.
    const double voices = std::trunc(readFloat(patch.polyphony) + 0.01);
    return voices < 1.0 ? 1 : voices > static_cast<double>(kMaxVoices) ? kMaxVoices : static_cast<int>(voices);
}

} // namespace ostrel
