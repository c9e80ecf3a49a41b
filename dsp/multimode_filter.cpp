#include "dsp/multimode_filter.h"

#include "dsp/filter_design.h"
#include "dsp/rounding.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

using namespace filter_design;

MultimodeFilter::MultimodeFilter(std::uint32_t rate, NoiseSeed* dither)
    : state(rate),
      sharedDither(dither),
      sampleRate(static_cast<double>(rate == 0 ? 1u : rate))
{ }

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
    if (state.threePole())
        run<true>(out, in, n);
    else
        run<false>(out, in, n);
}

template <bool kThreePole>
void MultimodeFilter::run(float* out, const float* in, int n) noexcept
{
    const float* saturation = state.tables->saturation->data() + FilterTables::kSaturationCentre;

    const BlockRamps ramps = state.ramps(n);
    double g = ramps.g;
    double k = ramps.k;
    const double dg = ramps.dg, dk = ramps.dk;
    const double w1 = ramps.w1, w2 = ramps.w2, w3 = ramps.w3, w4 = ramps.w4;
    const double A = kSaturationA;
    const double B = kSaturationB;
    const double inGain = kInputGain;

    NoiseSeed& ditherSeed = sharedDither ? *sharedDither : ownDither;
    std::uint32_t seed = ditherSeed.value;
    double s1 = state.y1, s2 = state.y2, s3 = state.y3, s4 = state.y4, d = state.delayed;

    for (int j = 0; j < n; ++j) {
        seed = NoiseSeed::next(seed);
        const double u =
            static_cast<double>(in[j]) * inGain + static_cast<double>(static_cast<std::int32_t>(seed)) * kDitherScale;

        // tanh(drive * (y4 - share * u)) from the table, index counted from its centre.
        float z = static_cast<float>(A * s4 + B * u);
        z = std::min(kSaturationHigh, std::max(kSaturationLow, z));
        const int i = floorToInt(z);
        const float phi = z - static_cast<float>(i);
        const float sat = (1.0f - phi) * saturation[i] + phi * saturation[i + 1];

        const double x0 = u - k * static_cast<double>(sat);
        if (kThreePole) {
            s1 = x0;
            s2 = s2 + g * (0.75 * x0 + 0.25 * d - s2);
        } else {
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
    state.endBlock(s1, s2, s3, s4, d);
}

} // namespace ostrel
