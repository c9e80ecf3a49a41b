#include "gui/formatters.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace vellum {

namespace {

std::string_view skipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()
           && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' || text[i] == '\v'
               || text[i] == '\f'))
        ++i;
    return text.substr(i);
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

} // namespace

double parseDecimal(std::string_view text)
{
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign of its own and rejects "inf"/"nan" spelled out only in its
    // general form; stream extraction reads neither, so restrict to digits and a point.
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
        return 0.0;
    double value = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = std::numeric_limits<double>::max();
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

int parseInteger(std::string_view text)
{
    text = skipBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return (!text.empty() && text.front() == '-') ? std::numeric_limits<int>::min()
                                                      : std::numeric_limits<int>::max();
    if (result.ec != std::errc())
        return 0;
    return value;
}

DecimalFormatter::DecimalFormatter(int decimals) : decimals_(decimals < 0 ? 0 : (decimals > 9 ? 9 : decimals))
{ }

std::string DecimalFormatter::format(float value) const
{
    if (value >= kPlusInfinity)
        return "+inf";
    if (value <= kMinusInfinity)
        return "-inf";
    if (std::isnan(value))
        return "nan";
    // Within the sentinels every value has a short fixed-point form; the buffer covers the
    // widest (6 integer digits, sign, point and 9 decimals).
    std::array<char, 48> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), static_cast<double>(value),
                                std::chars_format::fixed, decimals_);
    return std::string(buffer.data(), result.ptr);
}

float DecimalFormatter::parse(std::string_view text) const
{
    if (startsWith(text, "+inf"))
        return kPlusInfinity;
    if (startsWith(text, "-inf"))
        return kMinusInfinity;
    return static_cast<float>(parseDecimal(text));
}

RangeTextFormatter::RangeTextFormatter(int decimals) : decimal_(decimals)
{ }

void RangeTextFormatter::addRange(float lower, float upper, std::string text)
{
    ranges_.push_back(Range{std::move(text), lower, upper});
}

std::string RangeTextFormatter::format(float value) const
{
    for (const Range& r : ranges_) {
        if (r.lower <= value && value < r.upper)
            return r.text;
    }
    return decimal_.format(value);
}

float RangeTextFormatter::parse(std::string_view text) const
{
    for (const Range& r : ranges_) {
        if (r.text == text)
            return r.lower;
    }
    return decimal_.parse(text);
}

} // namespace vellum
