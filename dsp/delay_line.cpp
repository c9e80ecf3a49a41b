#include "dsp/delay_line.h"

#include <algorithm>

namespace ostrel {

namespace {

std::uint32_t powerOfTwoAtLeast(std::uint32_t n)
{
    std::uint32_t size = DelayLine::kMinimumSize;
    // 2^30 samples is far beyond any sweep; stop there so the shift cannot overflow.
    while (size < n && size < (1u << 30))
        size <<= 1;
    return size;
}

} // namespace

DelayLine::DelayLine(std::uint32_t minimumSize)
    : buffer(powerOfTwoAtLeast(minimumSize), 0.0f),
      mask(static_cast<std::uint32_t>(buffer.size()) - 1u)
{ }

void DelayLine::clear() noexcept
{
    std::fill(buffer.begin(), buffer.end(), 0.0f);
    writePos = 0;
}

} // namespace ostrel
