#include "engine/decimator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ostrel {

namespace {

// Whether the n floats all have the bits of the first.
bool sameBitsThroughout(const float* x, int n) noexcept
{
    std::uint32_t first = 0;
    std::memcpy(&first, x, sizeof first);
    std::uint32_t differ = 0;
    for (int i = 1; i < n; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, x + i, sizeof bits);
        differ |= bits ^ first;
    }
    return differ == 0;
}

} // namespace

const std::array<float, Decimator::kHalfTaps + 1> Decimator::kSideTaps = {
    0.0f,        0.30793f,   0.068129f,  -0.077129f, -0.056351f,   0.021877f,   0.0403f,
    0.0016152f,  -0.023931f, -0.010053f, 0.010598f,  0.010143f,    -0.0020682f, -0.0065555f,
    -0.0017174f, 0.0025658f, 0.001092f,  0.000155f,  -0.00048087f, -0.00019483f};

Decimator::Decimator()
    : work(static_cast<std::size_t>(kHistory + 2 * kMaxOutput + 128), 0.0f),
      sums(static_cast<std::size_t>(kMaxOutput), 0.0)
{ }

void Decimator::reset() noexcept
{
    std::fill(work.begin(), work.end(), 0.0f);
}

void Decimator::decimate(float* out, const float* in, int n) noexcept
{
    n = std::clamp(n, 0, kMaxOutput);
    if (n == 0)
        return;
    float* w = work.data();
    std::memcpy(w + kHistory, in, static_cast<std::size_t>(2 * n) * sizeof(float));
    if (sameBitsThroughout(w, kHistory + 2 * n)) {
        // Silence (or any constant): every output sees the same samples, so every output is
        // the first one, summed as below.
        double sum = kCentre * static_cast<double>(w[20]);
        for (int d = 1; d <= kHalfTaps; ++d)
            sum += static_cast<double>(kSideTaps[static_cast<std::size_t>(d)])
                * static_cast<double>(w[20 - d] + w[20 + d]);
        std::fill_n(out, n, static_cast<float>(sum));
        return; // the history is 40 of these same samples already
    }
    // Each output is c0 * centre + c1 * (pair 1) + ... + c19 * (pair 19), summed in that order;
    // the taps run in the outer loop so the outputs of a call are summed side by side.
    double* sum = sums.data();
    const float* centre = w + 20;
    for (int m = 0; m < n; ++m)
        sum[m] = kCentre * static_cast<double>(centre[2 * m]);
    for (int d = 1; d <= kHalfTaps; ++d) {
        const double c = static_cast<double>(kSideTaps[static_cast<std::size_t>(d)]);
        const float* before = centre - d;
        const float* after = centre + d;
        for (int m = 0; m < n; ++m)
            sum[m] += c * static_cast<double>(before[2 * m] + after[2 * m]);
    }
    for (int m = 0; m < n; ++m)
        out[m] = static_cast<float>(sum[m]);
    // The last 40 samples become the history of the next call.
    std::memmove(w, w + 2 * n, static_cast<std::size_t>(kHistory) * sizeof(float));
}

} // namespace ostrel
