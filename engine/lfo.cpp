#include "engine/lfo.h"

#include "dsp/portable_math.h"

#include <cmath>
#include <numbers>

namespace ostrel {

Lfo::Lfo(int internalRate, Random* random) noexcept
    : sampleRate(internalRate < 1 ? 1 : internalRate),
      invRate(1.0 / static_cast<double>(sampleRate)),
      sharedRandom(random)
{ }

void Lfo::setRate(double hertz) noexcept
{
    rate = std::isfinite(hertz) ? hertz : 0.0;
}

void Lfo::advance(int n) noexcept
{
    prevPhase01 = phase01;
    double p = phase01 + invRate * rate * static_cast<double>(n);
    p = p - std::floor(p);
    // A tiny negative phase can round up to exactly 1 above.
    phase01 = p < 1.0 ? p : 0.0;
    if (wave == kSampleAndHold && (prevPhase01 > phase01 || (phase01 >= 0.5 && prevPhase01 < 0.5))) {
        Random& random = sharedRandom ? *sharedRandom : ownRandom;
        held = static_cast<float>(2.0 * random.next() / static_cast<double>(Random::kMax) - 1.0);
    }
}

double Lfo::value() const noexcept
{
    const double p = phase01;
    switch (wave) {
    case kTriangle:
        if (p <= 0.25)
            return 4.0 * p;
        if (p <= 0.75)
            return 1.0 - 4.0 * (p - 0.25);
        return -1.0 + 4.0 * (p - 0.75);
    case kSawUp: return 2.0 * p - 1.0;
    case kSawDown: return 1.0 - 2.0 * p;
    case kSquare: return p < 0.5 ? 1.0 : -1.0;
    case kSampleAndHold: return static_cast<double>(held);
    case kSine:
    default: return portable::sin(2.0 * std::numbers::pi * p);
    }
}

} // namespace ostrel
