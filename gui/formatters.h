#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum {

// Values at or beyond these stand for plus and minus infinity (a decibel range that reaches
// "no signal" produces them at its ends).
inline constexpr float kPlusInfinity = 100000.0f;
inline constexpr float kMinusInfinity = -100000.0f;

// Turns a parameter value into its display text and back.
class xValueFormatter {
public:
    virtual ~xValueFormatter() = default;
    virtual std::string format(float value) const = 0;
    virtual float parse(std::string_view text) const = 0;
};

// Fixed-point text with a set number of decimals; the infinity sentinels print as "+inf" and
// "-inf". Output does not depend on the process locale.
class DecimalFormatter final : public xValueFormatter {
public:
    explicit DecimalFormatter(int decimals);
    std::string format(float value) const override;
    float parse(std::string_view text) const override;
    int decimals() const { return decimals_; }

private:
    int decimals_;
};

// Names ranges of values with fixed texts (first match in the order added wins) and falls
// back to decimal text for everything else.
class RangeTextFormatter final : public xValueFormatter {
public:
    explicit RangeTextFormatter(int decimals);
    void addRange(float lower, float upper, std::string text);
    std::string format(float value) const override;
    float parse(std::string_view text) const override;
    int decimals() const { return decimal_.decimals(); }

private:
    struct Range {
        std::string text;
        float lower;
        float upper;
    };
    DecimalFormatter decimal_;
    std::vector<Range> ranges_;
};

// Text of a value that has no valid representation.
inline constexpr const char* kInvalidText = "invalid";

// Reads a decimal number the way stream extraction does: leading blanks skipped, an optional
// sign, digits, fraction and exponent; 0 when nothing numeric is found. Locale-independent.
double parseDecimal(std::string_view text);

// Reads a leading decimal integer (blanks and sign allowed); 0 when there is none.
int parseInteger(std::string_view text);

} // namespace vellum
