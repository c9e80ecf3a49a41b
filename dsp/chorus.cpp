#include "dsp/chorus.h"

#include "dsp/portable_math.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace ostrel {

namespace {

constexpr std::array<double, Chorus::kTapCount> kInitialPhases{0.0, 256.0, 612.0};
constexpr float kTapWeights[Chorus::kTapCount] = {0.6f, 0.4f, 0.2f};
constexpr float kOutputGain = 0.7f;

// Catmull-Rom interpolation from b (t = 0) towards the older c (t = 1), with a newer than b and
// e older than c.
inline float catmullRom(float a, float b, float c, float e, float t) noexcept
{
    return b
        + t * (0.5f * (c - a) + t * ((a + 2.0f * c - 2.5f * b - 0.5f * e) + t * (1.5f * (b - c) + 0.5f * (e - a))));
}

int validRate(int rate)
{
    return rate < 1 ? 1 : rate;
}

std::uint32_t lineSamplesFor(int rate)
{
    // The sweep plus the interpolation points (one newer, two older) and a spare sample.
    return static_cast<std::uint32_t>(std::ceil(Chorus::kLongestDelaySeconds * rate)) + 4u;
}

} // namespace

const std::array<float, Chorus::kSineTableSize>& Chorus::sineTable() noexcept
{
    static const std::array<float, kSineTableSize> table = [] {
        std::array<float, kSineTableSize> t{};
        for (int j = 0; j < kSineTableSize; ++j)
            t[static_cast<std::size_t>(j)] = static_cast<float>(portable::sin(2.0 * 3.141593 * j / 1024.0));
        return t;
    }();
    return table;
}

Chorus::Chorus(int internalRate, Random& random)
    : sampleRate(validRate(internalRate)),
      invSampleRate(1.0 / static_cast<double>(sampleRate)),
      sweep(kSweepSeconds * static_cast<float>(sampleRate)),
      baseDelay(kDefaultBaseDelaySeconds * static_cast<float>(sampleRate)),
      line(lineSamplesFor(sampleRate)),
      silentRun(line.size()) // the line starts all zero
{
    sineTable(); // build the shared table here, not on the audio thread
    for (float& factor : rateFactors)
        factor = static_cast<float>(0.95 + 0.1 * random.next() / static_cast<double>(Random::kMax));
    maxDelay = static_cast<float>(line.size() - 4u);
}

void Chorus::setRate(float hertz) noexcept
{
    const float limit = 0.5f * static_cast<float>(sampleRate);
    rate = std::min(limit, std::max(0.0f, hertz));
}

void Chorus::setDepth(float d) noexcept
{
    depth = std::isnan(d) ? 0.0f : d;
}

void Chorus::setBaseDelay(float seconds) noexcept
{
    baseDelay = static_cast<float>(sampleRate) * seconds;
}

void Chorus::setPhaseOffset(double cycles) noexcept
{
    if (!std::isfinite(cycles))
        cycles = 0.0;
    for (int k = 0; k < kTapCount; ++k) {
        double p = kInitialPhases[static_cast<std::size_t>(k)] + kPhasePerCycle * cycles;
        if (p < 0.0 || p > kPhasePerCycle)
            p -= kPhasePerCycle * std::floor(p / kPhasePerCycle);
        phases[static_cast<std::size_t>(k)] = p;
    }
}

std::array<double, Chorus::kTapCount> Chorus::phaseSteps() const noexcept
{
    const double increment = kPhasePerCycle * static_cast<double>(rate) * invSampleRate;
    std::array<double, kTapCount> steps{};
    for (int k = 0; k < kTapCount; ++k)
        steps[static_cast<std::size_t>(k)] = increment * static_cast<double>(rateFactors[static_cast<std::size_t>(k)]);
    return steps;
}

bool Chorus::takeSilence(const float* in, int n) noexcept
{
    // How many of the input's last samples are +0: all of them, or counted from the end.
    std::uint32_t bits = 0;
    for (int j = 0; j < n; ++j)
        bits |= std::bit_cast<std::uint32_t>(in[j]);
    int silentTail = n;
    if (bits != 0) {
        silentTail = 0;
        while (std::bit_cast<std::uint32_t>(in[n - 1 - silentTail]) == 0u)
            ++silentTail;
    }
    const bool silent = silentTail == n && silentRun >= line.size();
    silentRun = silentTail == n ? std::min(line.size(), silentRun + static_cast<std::uint32_t>(n))
                                : static_cast<std::uint32_t>(silentTail);
    return silent;
}

void Chorus::processBlock(float* out, const float* in, int n) noexcept
{
    if (n <= 0)
        return;
    if (takeSilence(in, n)) {
        Chorus* unit = this;
        processSilence(&unit, &out, &in, 1, n);
    } else {
        render(out, in, n);
    }
}

void Chorus::processStereo(Chorus& left, Chorus& right, float* l, float* r, int n) noexcept
{
    if (n <= 0)
        return;
    const bool quietLeft = left.takeSilence(l, n);
    const bool quietRight = right.takeSilence(r, n);
    Chorus* units[2] = {&left, &right};
    float* buffers[2] = {l, r};
    const float* inputs[2] = {l, r};
    if (quietLeft && quietRight) {
        // One loop for both units' phases: twice the independent chains.
        processSilence(units, buffers, inputs, 2, n);
        return;
    }
    for (int u = 0; u < 2; ++u) {
        if (u == 0 ? quietLeft : quietRight)
            processSilence(units + u, buffers + u, inputs + u, 1, n);
        else
            units[u]->render(buffers[u], inputs[u], n);
    }
}

// A silent line fed silence: every tap reads zeros, and taps of zeros are zero (of one sign)
// whatever their delays, so every output sample is the same: it is computed once, from the
// line's zeros and the input's. The phases advance as ever, sample by sample; the line, written
// with +0, stays as it is.
void Chorus::processSilence(Chorus* const* units, float* const* outs, const float* const* ins, int count,
                            int n) noexcept
{
    constexpr int kMaxUnits = 2;
    double ph[kMaxUnits * kTapCount];
    double step[kMaxUnits * kTapCount];
    for (int u = 0; u < count; ++u) {
        Chorus& unit = *units[u];
        const float zero = unit.line.data()[unit.line.writePosition()];
        const float tap = catmullRom(zero, zero, zero, zero, 0.5f);
        const float dry = ins[u][0];
        const float value = kOutputGain * (dry + kTapWeights[0] * tap + kTapWeights[1] * tap + kTapWeights[2] * tap);
        std::fill(outs[u], outs[u] + n, value);
        const std::array<double, kTapCount> steps = unit.phaseSteps();
        for (int k = 0; k < kTapCount; ++k) {
            ph[u * kTapCount + k] = unit.phases[static_cast<std::size_t>(k)];
            step[u * kTapCount + k] = steps[static_cast<std::size_t>(k)];
        }
        unit.line.setWritePosition(unit.line.writePosition() + static_cast<std::uint32_t>(n));
    }
    const int chains = count * kTapCount;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < chains; ++i) {
            ph[i] += step[i];
            if (ph[i] > kPhasePerCycle)
                ph[i] -= kPhasePerCycle;
        }
    }
    for (int u = 0; u < count; ++u) {
        for (int k = 0; k < kTapCount; ++k)
            units[u]->phases[static_cast<std::size_t>(k)] = ph[u * kTapCount + k];
    }
}

void Chorus::render(float* out, const float* in, int n) noexcept
{
    const float* sine = sineTable().data();
    float* x = line.data();
    const std::uint32_t mask = line.indexMask();
    std::uint32_t w = line.writePosition();

    const std::array<double, kTapCount> phaseStep = phaseSteps();
    double ph[kTapCount];
    for (int k = 0; k < kTapCount; ++k)
        ph[k] = phases[static_cast<std::size_t>(k)];
    const float depthAmount = depth;
    const float sweepSamples = sweep;
    const float base = baseDelay;
    const float longest = maxDelay;

    // Work in chunks: first the read positions of every tap for the whole chunk (they depend
    // only on the LFO phases, not on the line), then the reads and the mix sample by sample.
    // Splitting the loop keeps each part short and lets the position part run without waiting
    // on the line; every value is computed exactly as in a single sample loop.
    constexpr int kChunk = 64;
    for (int start = 0; start < n; start += kChunk) {
        const int m = std::min(kChunk, n - start);
        int whole[kTapCount][kChunk];
        float fraction[kTapCount][kChunk];
        // The three phase sequences side by side: each is a chain of dependent additions,
        // and the processor overlaps independent chains.
        float phaseAt[kTapCount][kChunk];
        for (int j = 0; j < m; ++j) {
            for (int k = 0; k < kTapCount; ++k) {
                phaseAt[k][j] = static_cast<float>(ph[k]);
                ph[k] += phaseStep[static_cast<std::size_t>(k)];
                if (ph[k] > kPhasePerCycle)
                    ph[k] -= kPhasePerCycle;
            }
        }
        for (int k = 0; k < kTapCount; ++k) {
            for (int j = 0; j < m; ++j) {
                // Phases and (clamped) delays are never negative, so truncation is the floor.
                const int i = static_cast<int>(phaseAt[k][j]);
                const float phi = phaseAt[k][j] - static_cast<float>(i);
                const float s = sine[i] + phi * (sine[i + 1] - sine[i]);
                // NaN and negative delays fall to 0, long ones to the line's end.
                float d = (1.0f + s) * depthAmount * sweepSamples + base;
                d = std::min(longest, std::max(0.0f, d));
                const int di = static_cast<int>(d);
                whole[k][j] = di;
                fraction[k][j] = d - static_cast<float>(di);
            }
        }
        for (int j = 0; j < m; ++j) {
            float tap[kTapCount];
            for (int k = 0; k < kTapCount; ++k) {
                const float t = fraction[k][j];
                const std::uint32_t pos = w - static_cast<std::uint32_t>(whole[k][j]);
                const float a = x[(pos + 1u) & mask];
                const float b = x[pos & mask];
                const float c = x[(pos - 1u) & mask];
                const float e = x[(pos - 2u) & mask];
                tap[k] = catmullRom(a, b, c, e, t);
            }
            const float dry = in[start + j];
            x[w] = dry;
            w = (w + 1u) & mask;
            out[start + j] =
                kOutputGain * (dry + kTapWeights[0] * tap[0] + kTapWeights[1] * tap[1] + kTapWeights[2] * tap[2]);
        }
    }
    line.setWritePosition(w);
    for (int k = 0; k < kTapCount; ++k)
        phases[static_cast<std::size_t>(k)] = ph[k];
}

} // namespace ostrel
