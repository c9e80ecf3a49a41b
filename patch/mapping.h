#pragma once

#include "gui/formatters.h"

#include <cstdint>

namespace ostrel {

// Maps a normalized position 0..1 (host automation, knobs) onto a parameter's native value
// and back. Computed in double; the parameter stores the result as a float.
class xValueMapping {
public:
    virtual ~xValueMapping() = default;
    virtual double toValue(double x) const = 0;
    virtual double toNormalized(double v) const = 0;
};

class LinearMapping final : public xValueMapping {
public:
    LinearMapping(double min, double max) : min_(min), max_(max) { }
    double toValue(double x) const override;
    double toNormalized(double v) const override;

private:
    double min_, max_;
};

// min * (max / min)^x; both bounds must be positive.
class ExponentialMapping final : public xValueMapping {
public:
    ExponentialMapping(double min, double max) : min_(min), max_(max) { }
    double toValue(double x) const override;
    double toNormalized(double v) const override;

private:
    double min_, max_;
};

// Linear in decibels, with the ends at or beyond the infinity sentinels (+-100000) standing
// for +-infinity.
class DecibelMapping final : public xValueMapping {
public:
    static constexpr double kInfinity = static_cast<double>(vellum::kPlusInfinity);
    DecibelMapping(double minDb, double maxDb);
    double toValue(double x) const override;
    double toNormalized(double v) const override;

private:
    double min_, max_;
};

// count values 0..count-1 spread evenly over 0..1; positions round to the nearest value,
// halves away from zero.
class IntMapping final {
public:
    explicit IntMapping(std::int32_t count) : count_(count < 1 ? 1 : count) { }
    std::int32_t toValue(double x) const;
    double toNormalized(std::int32_t v) const;
    std::int32_t count() const { return count_; }

private:
    std::int32_t count_;
};

} // namespace ostrel
