#include "engine/decimator.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

const std::array<float, Decimator::kHalfTaps + 1> Decimator::kSideTaps = {
    0.0f,        0.30793f,    0.068129f,  -0.077129f,   -0.056351f,  0.021877f,   0.0403f,
    0.0016152f,  -0.023931f,  -0.010053f, 0.010598f,    0.010143f,   -0.0020682f, -0.0065555f,
    -0.0017174f, 0.0025658f,  0.001092f,  0.000155f,    -0.00048087f, -0.00019483f};

Decimator::Decimator() : work(static_cast<std::size_t>(kHistory + 2 * kMaxOutput + 128), 0.0f) {}

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
    for (int m = 0; m < n; ++m) {
        const float* centre = w + 2 * m + 20;
        double sum = kCentre * static_cast<double>(centre[0]);
        for (int d = 1; d <= kHalfTaps; ++d)
            sum += static_cast<double>(kSideTaps[static_cast<std::size_t>(d)]) * static_cast<double>(centre[-d] + centre[d]);
        out[m] = static_cast<float>(sum);
    }
    // The last 40 samples become the history of the next call.
    std::memmove(w, w + 2 * n, static_cast<std::size_t>(kHistory) * sizeof(float));
}

} // namespace ostrel
