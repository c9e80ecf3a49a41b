#include "patch/mapping.h"

#include <cmath>
#include <limits>

namespace ostrel {

double LinearMapping::toValue(double x) const
{
    return min_ + (max_ - min_) * x;
}

double LinearMapping::toNormalized(double v) const
{
    return (v - min_) / (max_ - min_);
}

double ExponentialMapping::toValue(double x) const
{
    return min_ * std::pow(max_ / min_, x);
}

double ExponentialMapping::toNormalized(double v) const
{
    return std::log(v / min_) / std::log(max_ / min_);
}

DecibelMapping::DecibelMapping(double minDb, double maxDb)
    : min_(minDb < -kInfinity ? -kInfinity : minDb),
      max_(maxDb >= kInfinity ? kInfinity : maxDb)
{ }

double DecibelMapping::toValue(double x) const
{
    if (x == 0.0 && min_ == -kInfinity)
        return -kInfinity;
    if (x == 1.0 && max_ == kInfinity)
        return kInfinity;
    return min_ + (max_ - min_) * x;
}

double DecibelMapping::toNormalized(double v) const
{
    if (v <= -kInfinity)
        return 0.0;
    if (v >= kInfinity)
        return 1.0;
    return (v - min_) / (max_ - min_);
}

std::int32_t IntMapping::toValue(double x) const
{
    const double v = std::round(static_cast<double>(count_ - 1) * x);
    // Positions far outside 0..1 (or NaN) must not overflow the conversion.
    if (!(v > static_cast<double>(std::numeric_limits<std::int32_t>::min())))
        return std::isnan(v) ? 0 : std::numeric_limits<std::int32_t>::min();
    if (v >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

double IntMapping::toNormalized(std::int32_t v) const
{
    if (count_ <= 1)
        return 0.0;
    return static_cast<double>(v) / static_cast<double>(count_ - 1);
}

} // namespace ostrel
