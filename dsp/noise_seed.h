#pragma once

#include <cstdint>

namespace ostrel {

// The linear congruential generator behind the oscillators' noise wave and the filters' input
// dither: seed -> seed * kMultiplier + kIncrement (mod 2^32), starting from kInitial. One
// record holds its state; an engine owns one for its oscillators and one for its filters, so an
// instance's output never depends on another's.
struct NoiseSeed {
    static constexpr std::uint32_t kInitial = 22222;
    static constexpr std::uint32_t kMultiplier = 196314165u;
    static constexpr std::uint32_t kIncrement = 907633515u;

    static constexpr std::uint32_t next(std::uint32_t seed) noexcept { return seed * kMultiplier + kIncrement; }

    // n steps at once: seed -> multiplier * seed + increment (mod 2^32).
    struct Skip {
        std::uint32_t multiplier = 1u;
        std::uint32_t increment = 0u;
        constexpr std::uint32_t apply(std::uint32_t seed) const noexcept { return seed * multiplier + increment; }
        // This skip, then `next`.
        constexpr Skip then(Skip next) const noexcept
        {
            return Skip{multiplier * next.multiplier, increment * next.multiplier + next.increment};
        }
    };
    // Made by squaring: the step taken 2^k times is the 2^(k-1) step taken twice (wrapping
    // arithmetic composes exactly), so n <= 0 is no step and any n costs about log2(n) rounds.
    static constexpr Skip skip(int n) noexcept
    {
        Skip s;
        Skip power{kMultiplier, kIncrement};
        for (auto k = static_cast<unsigned>(n > 0 ? n : 0); k != 0; k >>= 1) {
            if ((k & 1u) != 0)
                s = s.then(power);
            power = power.then(power);
        }
        return s;
    }

    std::uint32_t value = kInitial;
};

} // namespace ostrel
