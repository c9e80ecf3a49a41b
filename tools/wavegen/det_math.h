#pragma once

// Deterministic elementary functions for the wave generator. They use only +, -, *, / and
// exact scaling by powers of two, so with FMA contraction off (the project default) they give
// the same bits with any compiler, C library or platform. That is what lets the committed
// waves.bin be reproduced byte for byte anywhere. Accuracy: a few ulp, far below the 12-bit
// resolution of the stored waves.

#include <cmath>
#include <cstdint>

namespace ostrel::wavegen {

inline constexpr double kPi = 3.14159265358979311600e+00;

// Nearest integer (ties away from zero), independent of the rounding mode.
inline double nearest(double x)
{
    return x >= 0.0 ? std::floor(x + 0.5) : -std::floor(-x + 0.5);
}

// sin and cos of r for |r| <= pi/4 (Taylor series to x^23 / x^22).
inline void sinCosSmall(double r, double& s, double& c)
{
    const double r2 = r * r;
    double sp = -1.0 / 25852016738884976640000.0;
    double cp = -1.0 / 1124000727777607680000.0;
    static constexpr double kSin[] = {1.0 / 51090942171709440000.0,
                                      -1.0 / 121645100408832000.0,
                                      1.0 / 355687428096000.0,
                                      -1.0 / 1307674368000.0,
                                      1.0 / 6227020800.0,
                                      -1.0 / 39916800.0,
                                      1.0 / 362880.0,
                                      -1.0 / 5040.0,
                                      1.0 / 120.0,
                                      -1.0 / 6.0,
                                      1.0};
    static constexpr double kCos[] = {1.0 / 2432902008176640000.0,
                                      -1.0 / 6402373705728000.0,
                                      1.0 / 20922789888000.0,
                                      -1.0 / 87178291200.0,
                                      1.0 / 479001600.0,
                                      -1.0 / 3628800.0,
                                      1.0 / 40320.0,
                                      -1.0 / 720.0,
                                      1.0 / 24.0,
                                      -1.0 / 2.0,
                                      1.0};
    for (double k : kSin)
        sp = sp * r2 + k;
    for (double k : kCos)
        cp = cp * r2 + k;
    s = r * sp;
    c = cp;
}

// sin and cos of 2 pi t (t in turns): reduced exactly in turns, so any t gives the right angle.
inline void sinCosTurns(double t, double& s, double& c)
{
    t -= std::floor(t);                // exact for the magnitudes used here
    const double q = nearest(t * 4.0); // quarter turn 0..4
    const double rest = t - q * 0.25;  // exact: -1/8 .. 1/8 turn
    double rs = 0.0;
    double rc = 0.0;
    sinCosSmall(rest * (2.0 * kPi), rs, rc);
    switch (static_cast<int>(q) & 3) {
    case 0:
        s = rs;
        c = rc;
        break;
    case 1:
        s = rc;
        c = -rs;
        break;
    case 2:
        s = -rs;
        c = -rc;
        break;
    default:
        s = -rc;
        c = rs;
        break;
    }
}

inline double sinTurns(double t)
{
    double s = 0.0;
    double c = 0.0;
    sinCosTurns(t, s, c);
    return s;
}

// sin of x radians.
inline double sinRad(double x)
{
    return sinTurns(x / (2.0 * kPi));
}

// e^x (|x| < 700).
inline double expDet(double x)
{
    constexpr double kLn2High = 6.93147180369123816490e-01;
    constexpr double kLn2Low = 1.90821492927058770002e-10;
    const double k = nearest(x / 0.69314718055994530942);
    const double r = (x - k * kLn2High) - k * kLn2Low; // |r| <= 0.35
    double sum = 1.0;
    double term = 1.0;
    for (int i = 1; i <= 24; ++i) {
        term = term * r / static_cast<double>(i);
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

// Natural logarithm of x > 0.
inline double logDet(double x)
{
    int e = 0;
    double m = std::frexp(x, &e); // exact: m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        --e;
    }
    const double s = (m - 1.0) / (m + 1.0); // |s| < 0.172
    const double s2 = s * s;
    double sum = 0.0;
    for (int i = 41; i >= 1; i -= 2)
        sum = sum * s2 + 1.0 / static_cast<double>(i);
    constexpr double kLn2High = 6.93147180369123816490e-01;
    constexpr double kLn2Low = 1.90821492927058770002e-10;
    return 2.0 * s * sum + static_cast<double>(e) * kLn2High + static_cast<double>(e) * kLn2Low;
}

// x^y for x > 0; x <= 0 gives 0.
inline double powDet(double x, double y)
{
    if (x <= 0.0)
        return 0.0;
    return expDet(y * logDet(x));
}

inline double dbToGain(double db)
{
    return expDet(db * (0.11512925464970228420)); // ln(10) / 20
}

} // namespace ostrel::wavegen
