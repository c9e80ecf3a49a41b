#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// exp, sin and tanh evaluated with basic arithmetic only (+, -, *, / and exact scaling by
// powers of two), so both builds compute the same bits: the C libraries of the native and
// the Windows build round their transcendental functions differently in the last place.
// Accuracy is within a few units in the last place of double precision over the ranges used
// (tables, LFO, envelope release, pitch, envelope times, volume). The audio path runs with
// rounding toward minus infinity, under which the C libraries' functions are not reliable at
// all; these are plain arithmetic and give the same bits in any build under any mode. The build turns off FMA contraction, which keeps the
// evaluation order fixed.
namespace ostrel::portable {

namespace detail {

// x * 2^k, the same as std::ldexp: for the x and k these functions pass (|x| within 2^+-20,
// |k| up to 1000) the product with the power of two is a normal number, so the multiplication
// is exact in any rounding mode; anything else goes to ldexp.
inline double scaleByPowerOfTwo(double x, int k) noexcept
{
    const double magnitude = std::fabs(x);
    if (k >= -1000 && k <= 1000 && magnitude >= 0x1p-20 && magnitude <= 0x1p20)
        return x * std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
    return std::ldexp(x, k);
}

} // namespace detail

// e^x. Overflows to infinity above ~709.78, underflows to 0 below ~-745; NaN stays NaN.
inline double exp(double x) noexcept
{
    if (std::isnan(x))
        return x;
    if (x > 709.78)
        return HUGE_VAL;
    if (x < -745.2)
        return 0.0;
    // x = k ln2 + r with |r| <= ln2 / 2; ln2 split so that k * ln2Hi is exact.
    constexpr double kInvLn2 = 1.4426950408889634074;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    const double k = std::floor(x * kInvLn2 + 0.5);
    const double r = (x - k * kLn2Hi) - k * kLn2Lo;
    // Taylor series to r^14 / 14!: the remainder is below 1e-17 for |r| <= 0.35.
    double p = 1.0 / 87178291200.0;
    p = p * r + 1.0 / 6227020800.0;
    p = p * r + 1.0 / 479001600.0;
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;
    return detail::scaleByPowerOfTwo(p, static_cast<int>(k));
}

// 2^x.
inline double exp2(double x) noexcept
{
    if (std::isnan(x))
        return x;
    if (x > 1024.0)
        return HUGE_VAL;
    if (x < -1075.0)
        return 0.0;
    const double k = std::floor(x);
    return detail::scaleByPowerOfTwo(exp((x - k) * 0.69314718055994530942), static_cast<int>(k));
}

// 10^x. x = k log10(2) + r with |r| <= log10(2) / 2, log10(2) split so that k * kLog10Of2Hi
// is exact; then 10^x = 2^k e^(r ln 10).
inline double exp10(double x) noexcept
{
    if (std::isnan(x))
        return x;
    if (x > 308.3)
        return HUGE_VAL;
    if (x < -323.7)
        return 0.0;
    constexpr double kLog2Of10 = 3.32192809488736234787;
    constexpr double kLog10Of2Hi = 3.01029995663611771306e-01; // low 13 bits zero
    constexpr double kLog10Of2Lo = 3.69423907715893078616e-13;
    constexpr double kLn10 = 2.30258509299404568402;
    const double k = std::floor(x * kLog2Of10 + 0.5);
    const double r = (x - k * kLog10Of2Hi) - k * kLog10Of2Lo;
    return detail::scaleByPowerOfTwo(exp(r * kLn10), static_cast<int>(k));
}

namespace detail {

// sin r and cos r for |r| <= pi/4, Taylor series to the 17th and 18th power.
inline double sinSmall(double r) noexcept
{
    const double r2 = r * r;
    double p = -1.0 / 355687428096000.0;
    p = p * r2 + 1.0 / 1307674368000.0;
    p = p * r2 - 1.0 / 6227020800.0;
    p = p * r2 + 1.0 / 39916800.0;
    p = p * r2 - 1.0 / 362880.0;
    p = p * r2 + 1.0 / 5040.0;
    p = p * r2 - 1.0 / 120.0;
    p = p * r2 + 1.0 / 6.0;
    return r - r * r2 * p;
}

inline double cosSmall(double r) noexcept
{
    const double r2 = r * r;
    double p = -1.0 / 6402373705728000.0;
    p = p * r2 + 1.0 / 20922789888000.0;
    p = p * r2 - 1.0 / 87178291200.0;
    p = p * r2 + 1.0 / 479001600.0;
    p = p * r2 - 1.0 / 3628800.0;
    p = p * r2 + 1.0 / 40320.0;
    p = p * r2 - 1.0 / 720.0;
    p = p * r2 + 1.0 / 24.0;
    return 1.0 - r2 * (0.5 - r2 * p);
}

} // namespace detail

// sin x, for |x| up to about 1e5 (the reduction by pi/2 keeps its accuracy there); NaN and
// infinities give NaN.
inline double sin(double x) noexcept
{
    if (!std::isfinite(x))
        return x - x;
    // x = k pi/2 + r, pi/2 split in three parts (the first two multiply k exactly).
    constexpr double kTwoOverPi = 0.63661977236758134308;
    constexpr double kPiOver2A = 1.57079632673412561417e+00;
    constexpr double kPiOver2B = 6.07710050630396597660e-11;
    constexpr double kPiOver2C = 2.02226624879595063154e-21;
    const double k = std::floor(x * kTwoOverPi + 0.5);
    const double r = ((x - k * kPiOver2A) - k * kPiOver2B) - k * kPiOver2C;
    const double quadrant = k - 4.0 * std::floor(k * 0.25);
    if (quadrant == 0.0)
        return detail::sinSmall(r);
    if (quadrant == 1.0)
        return detail::cosSmall(r);
    if (quadrant == 2.0)
        return -detail::sinSmall(r);
    return -detail::cosSmall(r);
}

// tanh x; saturates to +-1 beyond |x| = 20.
inline double tanh(double x) noexcept
{
    if (std::isnan(x))
        return x;
    if (x > 20.0)
        return 1.0;
    if (x < -20.0)
        return -1.0;
    // tanh x = m / (m + 2) with m = e^(2x) - 1; near 0, m comes from its series directly so
    // the subtraction does not cancel.
    const double y = 2.0 * x;
    double m;
    if (y > -0.35 && y < 0.35) {
        double p = 1.0 / 87178291200.0;
        p = p * y + 1.0 / 6227020800.0;
        p = p * y + 1.0 / 479001600.0;
        p = p * y + 1.0 / 39916800.0;
        p = p * y + 1.0 / 3628800.0;
        p = p * y + 1.0 / 362880.0;
        p = p * y + 1.0 / 40320.0;
        p = p * y + 1.0 / 5040.0;
        p = p * y + 1.0 / 720.0;
        p = p * y + 1.0 / 120.0;
        p = p * y + 1.0 / 24.0;
        p = p * y + 1.0 / 6.0;
        p = p * y + 0.5;
        p = p * y + 1.0;
        m = p * y;
    } else {
        m = exp(y) - 1.0;
    }
    return m / (m + 2.0);
}

} // namespace ostrel::portable
