#include "engine/modulation.h"

#include "engine/lfo.h"

namespace ostrel {

namespace {

double amountOf(const ModState& state, int row) noexcept
{
    return static_cast<double>(state.amount[static_cast<std::size_t>(row)]);
}

double velocityTerm(const ModState& state, int velocity) noexcept
{
    return static_cast<double>(velocity - mod::kCentreVelocity) / 64.0 * amountOf(state, mod::kVelocity);
}

double keyTerm(const ModState& state, int note) noexcept
{
    return static_cast<double>(note - mod::kCentreNote) / 12.0 * amountOf(state, mod::kKey);
}

// Sum of the routed global outputs (LFO 1, LFO 2, aftertouch) for one column.
double globalOutputs(const ModState& state, int column) noexcept
{
    double sum = 0.0;
    if (state.routed(mod::kLfo1, column))
        sum += static_cast<double>(state.lfo1Out);
    if (state.routed(mod::kLfo2, column))
        sum += static_cast<double>(state.lfo2Out);
    if (state.routed(mod::kAftertouch, column))
        sum += static_cast<double>(state.atOut);
    return sum;
}

} // namespace

void updateGlobalModulation(ModState& state, Lfo& lfo1, Lfo& lfo2, float aftertouch, float modWheel,
                            int blockSamples) noexcept
{
    const double at = static_cast<double>(aftertouch);
    const double wheel = static_cast<double>(modWheel);

    double depth1 = amountOf(state, mod::kLfo1);
    if (state.routed(mod::kLfo2, mod::kLfo1Depth))
        depth1 += lfo2.value() * amountOf(state, mod::kLfo2);
    if (state.routed(mod::kAftertouch, mod::kLfo1Depth))
        depth1 += at * amountOf(state, mod::kAftertouch);
    if (state.routed(mod::kModWheel, mod::kLfo1Depth))
        depth1 += wheel * amountOf(state, mod::kModWheel);

    double depth2 = amountOf(state, mod::kLfo2);
    if (state.routed(mod::kLfo1, mod::kLfo2Depth))
        depth2 += lfo1.value() * amountOf(state, mod::kLfo1);
    if (state.routed(mod::kAftertouch, mod::kLfo2Depth))
        depth2 += at * amountOf(state, mod::kAftertouch);
    if (state.routed(mod::kModWheel, mod::kLfo2Depth))
        depth2 += wheel * amountOf(state, mod::kModWheel);

    // A negative depth never inverts the LFO (NaN also ends at 0).
    if (!(depth1 > 0.0))
        depth1 = 0.0;
    if (!(depth2 > 0.0))
        depth2 = 0.0;

    state.lfo1Out = static_cast<float>(lfo1.value() * depth1);
    state.lfo2Out = static_cast<float>(lfo2.value() * depth2);
    state.atOut = static_cast<float>(at * amountOf(state, mod::kAftertouch));

    lfo1.advance(blockSamples);
    lfo2.advance(blockSamples);
}

void computeStaticMod(const ModState& state, int velocity, int note,
                      std::span<float, mod::kStaticModCount> staticMod) noexcept
{
    const double vel = velocityTerm(state, velocity);
    const double key = keyTerm(state, note);
    for (int j = 0; j < mod::kStaticModCount; ++j) {
        double sum = 0.0;
        if (j != mod::kCutoff) {
            if (state.routed(mod::kVelocity, j))
                sum += vel;
            if (state.routed(mod::kKey, j))
                sum += key;
        }
        staticMod[static_cast<std::size_t>(j)] = static_cast<float>(sum);
    }
}

double pitchModulation(const ModState& state, int osc, double filterEnvOut,
                       std::span<const float, mod::kStaticModCount> staticMod) noexcept
{
    if (osc < 0 || osc > 3)
        return 0.0;
    double octaves = 2.0 * globalOutputs(state, osc);
    if (state.routed(mod::kFilterEnvelope, osc))
        octaves += 2.0 * amountOf(state, mod::kFilterEnvelope) * filterEnvOut;
    octaves += 2.0 * static_cast<double>(staticMod[static_cast<std::size_t>(osc)]);
    return octaves;
}

double cutoffModulation(const ModState& state, int note) noexcept
{
    double octaves = 2.0 * globalOutputs(state, mod::kCutoff);
    if (state.routed(mod::kKey, mod::kCutoff))
        octaves += 2.0 * amountOf(state, mod::kKey) * static_cast<double>(note - mod::kCentreNote) / 12.0;
    return octaves;
}

double filterEnvelopeDepth(const ModState& state, double filterEnvAmount, int velocity) noexcept
{
    double vs = 0.0;
    if (state.routed(mod::kVelocity, mod::kCutoff))
        vs = static_cast<double>(velocity - mod::kCentreVelocity) * amountOf(state, mod::kVelocity) / 64.0;
    return filterEnvAmount + 5.0 * vs;
}

MixOffset mixModulation(const ModState& state, std::span<const float, mod::kStaticModCount> staticMod) noexcept
{
    MixOffset offset;
    offset.dx = static_cast<double>(staticMod[mod::kMixX]) + globalOutputs(state, mod::kMixX);
    offset.dy = -static_cast<double>(staticMod[mod::kMixY]) - globalOutputs(state, mod::kMixY);
    return offset;
}

double amplitudeModulation(const ModState& state, int velocity) noexcept
{
    double factor = 1.0;
    if (state.routed(mod::kVelocity, mod::kAmplitude))
        factor *= static_cast<double>(velocity - mod::kCentreVelocity) * amountOf(state, mod::kVelocity) / 64.0 + 1.0;
    if (state.routed(mod::kAftertouch, mod::kAmplitude))
        factor *= static_cast<double>(state.atOut) + 1.0;
    return factor;
}

double panModulation(const ModState& state, int velocity, int note, double filterEnvOut) noexcept
{
    double pan = 0.0;
    if (state.routed(mod::kVelocity, mod::kPan))
        pan += static_cast<double>(velocity - mod::kCentreVelocity) * amountOf(state, mod::kVelocity);
    if (state.routed(mod::kKey, mod::kPan))
        pan += keyTerm(state, note);
    if (state.routed(mod::kFilterEnvelope, mod::kPan))
        pan += amountOf(state, mod::kFilterEnvelope) * filterEnvOut;
    if (state.routed(mod::kLfo1, mod::kPan))
        pan += static_cast<double>(state.lfo1Out);
    if (state.routed(mod::kLfo2, mod::kPan))
        pan += static_cast<double>(state.lfo2Out);
    if (state.routed(mod::kAftertouch, mod::kPan))
        pan += 2.0 * static_cast<double>(state.atOut);
    return pan;
}

} // namespace ostrel
