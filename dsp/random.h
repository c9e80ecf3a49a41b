#pragma once

#include <cstdint>

namespace ostrel {

// Linear congruential generator with the constants of the classic C library `rand`
// (state * 214013 + 2531011, result bits 16..30). Written out here instead of calling
// `rand` so that both builds draw the same sequence and no hidden global state is shared
// between plug-in instances. Not thread-safe: one generator belongs to one thread.
class Random {
public:
    static constexpr int kMax = 32767;

    // Seed 1 gives the sequence a freshly started C library generator gives: 41, 18467, 6334 ...
    explicit constexpr Random(std::uint32_t seed = 1) noexcept : state(seed) { }

    // Next value, 0..kMax.
    constexpr int next() noexcept
    {
        state = state * 214013u + 2531011u; // wraps modulo 2^32
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }

    constexpr std::uint32_t currentState() const noexcept { return state; }

private:
    std::uint32_t state;
};

} // namespace ostrel
