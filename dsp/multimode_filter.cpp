#include "dsp/multimode_filter.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

// Mode -> type code. The type selects the mix row (type % 8) and the output gain; types
// 8..15 use the three-pole structure.
constexpr std::array<int, MultimodeFilter::kModeCount> kModeType {6, 4, 0, 7, 1, 5, 2, 3, 14, 12, 8, 15, 9, 13, 10, 11};

// Weights of y1, y2, y3, y4 by type % 8. In the three-pole structure y1 is the
// feedback-corrected input, so each row describes one pole less on top of it.
constexpr float kWeights[8][4] = {
    {0.0f, -1.0f, 2.0f, -1.0f},  // band-pass
    {1.0f, -3.0f, 3.0f, -1.0f},  // 3-pole high-pass
    {1.0f, -3.0f, 6.0f, -4.0f},  // 3-pole all-pass
    {1.0f, -2.0f, 2.0f, 0.0f},   // notch
    {0.0f, -1.0f, 0.0f, 0.0f},   // 2-pole low-pass, inverted
    {1.0f, -2.0f, 1.0f, 0.0f},   // 2-pole high-pass
    {0.0f, 0.0f, 0.0f, 1.0f},    // full low-pass
    {1.0f, -1.0f, 0.0f, 0.0f},   // 1-pole high-pass / band-pass
};

constexpr float kTypeGain[MultimodeFilter::kModeCount] = {
    3.0f, 2.0f, 1.0f, 1.0f, 1.0f, 1.5f, 1.0f, 1.5f,
    1.5f, 0.5f, 0.5f, 0.5f, 2.0f / 3.0f, 0.5f, 1.0f, 0.5f};

constexpr const char* kTypeNames[MultimodeFilter::kModeCount] = {
    "4P BP", "3P HP + 1PLP", "3P AP + 1PLP", "2P N  + 1PLP", "2P LP", "2P HP + 1PLP", "4P LP", "2P BP",
    "2P HP + 1PLP", "3P HP", "3P AP", "2P N", "1P LP", "2P HP", "3P LP", "1P HP"};

// Saturation arguments beyond the table (very large inputs at high resonance) read the end
// entries. The upper bound is the largest float below 1025, so the index stays <= 1024 from
// the centre and the interpolation's second entry is the last one.
constexpr float kSaturationLow = -1024.0f;
constexpr float kSaturationHigh = 1024.9999f;

// State values below this are set to zero after each block, so a silent voice does not
// decay into denormal numbers.
constexpr double kFlushThreshold = 1e-15;

constexpr double kDitherScale = 5e-13; // signed 32-bit seed -> at most +-0.00107

double flushTiny(double v) noexcept { return std::fabs(v) < kFlushThreshold ? 0.0 : v; }

} // namespace

MultimodeFilter::MultimodeFilter(std::uint32_t rate, DitherSeed* dither)
    : tableSet(FilterTables::forSampleRate(rate == 0 ? 1u : rate)),
      sharedDither(dither),
      sampleRate(static_cast<double>(rate == 0 ? 1u : rate)),
      cutoffPrev(0.0),
      cutoffTarget(0.0),
      gPrev(0.0),
      gTarget(0.0)
{
    setCutoff(0.0);
    cutoffPrev = cutoffTarget;
    gPrev = gTarget;
}

void MultimodeFilter::setCutoff(double octaves) noexcept
{
    // Written so that NaN falls to the lower bound.
    const double x = std::min(kMaxCoordinate, std::max(kMinCoordinate, octaves + 3.0));
    cutoffTarget = x;
    gTarget = static_cast<double>(
        FilterTables::interpolate(tableSet->tuning, FilterTables::kCutoffStepsPerOctave * static_cast<double>(x)));
}

void MultimodeFilter::setResonance(double r) noexcept
{
    if (std::isnan(r))
        r = 0.0;
    resonance = std::clamp(r, -kMaxResonance, kMaxResonance);
}

int MultimodeFilter::typeOfMode(std::uint32_t m) noexcept
{
    return kModeType[m < kModeCount ? m : 0u];
}

const char* MultimodeFilter::typeName(int type) noexcept
{
    return (type >= 0 && type < kModeCount) ? kTypeNames[type] : kTypeNames[kModeType[0]];
}

void MultimodeFilter::processBlock(float* out, const float* in, int n) noexcept
{
    if (n <= 0)
        return;
    if (kModeType[mode] > 7)
        run<true>(out, in, n);
    else
        run<false>(out, in, n);

    y1 = flushTiny(y1);
    y2 = flushTiny(y2);
    y3 = flushTiny(y3);
    y4 = flushTiny(y4);
    delayed = flushTiny(delayed);
    gPrev = gTarget;
    cutoffPrev = cutoffTarget;
}

template <bool kThreePole>
void MultimodeFilter::run(float* out, const float* in, int n) noexcept
{
    const FilterTables& t = *tableSet;
    const float* saturation = t.saturation->data() + FilterTables::kSaturationCentre;

    // Block constants.
    const double r = 1.0 / static_cast<double>(n);
    double g = gPrev;
    const double dg = (gTarget - gPrev) * r;
    const double a0 =
        static_cast<double>(FilterTables::interpolate(t.resonance, FilterTables::kCutoffStepsPerOctave * cutoffPrev));
    const double a1 =
        static_cast<double>(FilterTables::interpolate(t.resonance, FilterTables::kCutoffStepsPerOctave * cutoffTarget));
    double k = a0 * resonance * 4.15;
    double dk = (a1 - a0) * resonance * r * 4.15;
    if (kThreePole)
    {
        k *= 2.0;
        dk *= 2.0;
    }
    k *= static_cast<double>(feedbackScale);
    dk *= static_cast<double>(feedbackScale);

    const int type = kModeType[mode];
    const float* row = kWeights[type % 8];
    const double gain = outputGain * static_cast<double>(kTypeGain[type]);
    const double w1 = static_cast<double>(row[0]) * gain;
    const double w2 = static_cast<double>(row[1]) * gain;
    const double w3 = static_cast<double>(row[2]) * gain;
    const double w4 = static_cast<double>(row[3]) * gain;

    const double A = static_cast<double>(drive * 128.0f);
    const double B = static_cast<double>(-feedbackInputShare * (drive * 128.0f));
    const double inGain = inputGain;

    DitherSeed& ditherSeed = sharedDither ? *sharedDither : ownDither;
    std::uint32_t seed = ditherSeed.value;
    double s1 = y1, s2 = y2, s3 = y3, s4 = y4, d = delayed;

    for (int j = 0; j < n; ++j)
    {
        seed = seed * 196314165u + 907633515u;
        const double u = static_cast<double>(in[j]) * inGain
                         + static_cast<double>(static_cast<std::int32_t>(seed)) * kDitherScale;

        // tanh(drive * (y4 - share * u)) from the table, index counted from its centre.
        float z = static_cast<float>(A * s4 + B * u);
        z = std::min(kSaturationHigh, std::max(kSaturationLow, z));
        const int i = floorToInt(z);
        const float phi = z - static_cast<float>(i);
        const float sat = (1.0f - phi) * saturation[i] + phi * saturation[i + 1];

        const double x0 = u - k * static_cast<double>(sat);
        if (kThreePole)
        {
            s1 = x0;
            s2 = s2 + g * (0.75 * x0 + 0.25 * d - s2);
        }
        else
        {
            s1 = s1 + g * (x0 - s1);
            s2 = s2 + g * (0.5 * (s1 + d) - s2);
        }
        d = s1;
        s3 = s3 + g * (s2 - s3);
        s4 = s4 + g * (s3 - s4);
        out[j] = static_cast<float>(w1 * s1 + w2 * s2 + w3 * s3 + w4 * s4);

        g += dg;
        k += dk;
    }

    ditherSeed.value = seed;
    y1 = s1;
    y2 = s2;
    y3 = s3;
    y4 = s4;
    delayed = d;
}

} // namespace ostrel
