#include "dsp/fft.h"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace ostrel {

namespace {

constexpr int kMaxLog2 = 20;
[[maybe_unused]] constexpr int kMaxPoints = 1 << kMaxLog2;
// 2 pi as the nearest double plus the remainder. The angle 2 pi m / n is formed from both
// parts, so the representation error of 2 pi (about 2.4e-16) does not enter it; the products
// and quotients themselves still round (kTwoPiHigh has a full mantissa, nothing here is exact).
constexpr double kTwoPiHigh = 6.28318530717958623200e+00; // nearest double to 2 pi
constexpr double kTwoPiLow = 2.44929359829470635445e-16;  // 2 pi - kTwoPiHigh

// sin and cos of x for |x| <= pi/4 by their Taylor series. At that bound the first dropped
// terms (x^25/25!, x^24/24!) are below 1e-26, far under half an ulp of the results.
void sinCosOctant(double x, double& s, double& c) noexcept
{
    const double x2 = x * x;
    // sin x = x (1 - x^2/3! + x^4/5! - ... - x^22/23!)
    static constexpr double kSin[] = {
        1.0,
        -1.0 / 6.0,
        1.0 / 120.0,
        -1.0 / 5040.0,
        1.0 / 362880.0,
        -1.0 / 39916800.0,
        1.0 / 6227020800.0,
        -1.0 / 1307674368000.0,
        1.0 / 355687428096000.0,
        -1.0 / 121645100408832000.0,
        1.0 / 51090942171709440000.0,
        -1.0 / 25852016738884976640000.0,
    };
    static constexpr double kCos[] = {
        1.0,
        -1.0 / 2.0,
        1.0 / 24.0,
        -1.0 / 720.0,
        1.0 / 40320.0,
        -1.0 / 3628800.0,
        1.0 / 479001600.0,
        -1.0 / 87178291200.0,
        1.0 / 20922789888000.0,
        -1.0 / 6402373705728000.0,
        1.0 / 2432902008176640000.0,
        -1.0 / 1124000727777607680000.0,
    };
    constexpr int terms = static_cast<int>(sizeof(kSin) / sizeof(kSin[0]));
    double sp = kSin[terms - 1];
    double cp = kCos[terms - 1];
    for (int i = terms - 2; i >= 0; --i) {
        sp = sp * x2 + kSin[i];
        cp = cp * x2 + kCos[i];
    }
    s = x * sp;
    c = cp;
}

// The roots of unity of the largest tabulated size; a smaller size n reads every
// (kTableSize / n)-th entry. Built once (thread-safe static initialisation).
constexpr int kTableLog2 = 14;
constexpr int kTableSize = 1 << kTableLog2;

struct TwiddleTable {
    std::vector<double> cosines = std::vector<double>(kTableSize / 2); // cos(2 pi k / kTableSize)
    std::vector<double> sines = std::vector<double>(kTableSize / 2);   // sin(2 pi k / kTableSize)
};

const TwiddleTable& twiddles()
{
    static const TwiddleTable table = [] {
        TwiddleTable t;
        for (int k = 0; k < kTableSize / 2; ++k)
            unitRoot(k, kTableSize, t.cosines[static_cast<std::size_t>(k)], t.sines[static_cast<std::size_t>(k)]);
        return t;
    }();
    return table;
}

int log2Exact(int n) noexcept
{
    int l = 0;
    while ((1 << l) < n)
        ++l;
    return l;
}

} // namespace

void unitRoot(long long k, int n, double& cosine, double& sine) noexcept
{
    // Reduce k to 0 .. n-1, then to the first octant 0 .. n/8 by the symmetries of the circle.
    const long long nn = n;
    long long r = k % nn;
    if (r < 0)
        r += nn;
    if (n < 8) {
        // n = 1, 2, 4: the roots are exact.
        const long long q = r * (4 / n); // quarter turns
        static constexpr double kC[] = {1.0, 0.0, -1.0, 0.0};
        static constexpr double kS[] = {0.0, 1.0, 0.0, -1.0};
        cosine = kC[q];
        sine = kS[q];
        return;
    }
    const long long eighth = nn / 8;
    const long long octant = r / eighth;
    long long m = r % eighth;
    bool mirrored = (octant & 1) != 0;
    if (mirrored)
        m = eighth - m; // angle measured back from the next multiple of pi/4
    // x = 2 pi m / n in [0, pi/4]
    const double x = (static_cast<double>(m) * kTwoPiHigh) / static_cast<double>(n)
        + (static_cast<double>(m) * kTwoPiLow) / static_cast<double>(n);
    double s = 0.0;
    double c = 0.0;
    sinCosOctant(x, s, c);
    // Angle = octant * pi/4 + x (not mirrored) or (octant + 1) * pi/4 - x (mirrored).
    // Map to the first octant pair (a, b) = (cos, sin) of the base angle within 0..pi/2.
    double cb = 0.0;
    double sb = 0.0;
    switch (octant) {
    case 0:
        cb = c;
        sb = s;
        break; // x
    case 1:
        cb = s;
        sb = c;
        break; // pi/2 - x
    case 2:
        cb = -s;
        sb = c;
        break; // pi/2 + x
    case 3:
        cb = -c;
        sb = s;
        break; // pi - x
    case 4:
        cb = -c;
        sb = -s;
        break; // pi + x
    case 5:
        cb = -s;
        sb = -c;
        break; // 3pi/2 - x
    case 6:
        cb = s;
        sb = -c;
        break; // 3pi/2 + x
    default:
        cb = c;
        sb = -s;
        break; // 2pi - x
    }
    cosine = cb;
    sine = sb;
}

void fft(double* data, int n, int sign) noexcept
{
    assert(n >= 1 && n <= kMaxPoints && (n & (n - 1)) == 0);
    if (n <= 1)
        return;
    // Bit-reversal permutation.
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(data[2 * i], data[2 * j]);
            std::swap(data[2 * i + 1], data[2 * j + 1]);
        }
    }
    const int log2n = log2Exact(n);
    const double dir = sign >= 0 ? -1.0 : 1.0; // forward uses e^(-i...)
    const TwiddleTable* table = log2n <= kTableLog2 ? &twiddles() : nullptr;
    const int tableStride = log2n <= kTableLog2 ? kTableSize / n : 0;
    for (int span = 2; span <= n; span <<= 1) {
        const int half = span >> 1;
        const int stride = n / span; // twiddle k of this span is root k * stride of n
        for (int k = 0; k < half; ++k) {
            double wr = 0.0;
            double wi = 0.0;
            if (table != nullptr) {
                const auto at = static_cast<std::size_t>(k * stride * tableStride);
                wr = table->cosines[at];
                wi = table->sines[at];
            } else {
                unitRoot(static_cast<long long>(k) * stride, n, wr, wi);
            }
            wi *= dir;
            for (int i = k; i < n; i += span) {
                double* a = data + 2 * i;
                double* b = data + 2 * (i + half);
                const double tr = wr * b[0] - wi * b[1];
                const double ti = wr * b[1] + wi * b[0];
                b[0] = a[0] - tr;
                b[1] = a[1] - ti;
                a[0] += tr;
                a[1] += ti;
            }
        }
    }
    if (sign < 0) {
        const double scale = 1.0 / static_cast<double>(n);
        for (int i = 0; i < 2 * n; ++i)
            data[i] *= scale;
    }
}

void magnitudeSpectrum(const float* in, float* out, int n)
{
    if (n < 2)
        return;
    std::vector<double> buffer(static_cast<std::size_t>(2 * n), 0.0);
    for (int i = 0; i < n; ++i)
        buffer[static_cast<std::size_t>(2 * i)] = static_cast<double>(in[i]);
    fft(buffer.data(), n, 1);
    const double scale = 2.0 / static_cast<double>(n);
    for (int k = 0; k < n / 2; ++k) {
        const double re = buffer[static_cast<std::size_t>(2 * k)];
        const double im = buffer[static_cast<std::size_t>(2 * k + 1)];
        out[k] = static_cast<float>(std::sqrt(re * re + im * im) * scale);
    }
}

} // namespace ostrel
