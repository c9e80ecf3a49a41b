#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// Turns an integer parameter's index into display text and back.
struct IntTextCallback {
    using ToText = std::string (*)(std::int32_t value);
    using FromText = std::int32_t (*)(std::string_view text);
    ToText toText;
    FromText fromText;

    // "%d" and a decimal integer.
    static IntTextCallback* number();
    // The wave's display name ("33 Saw"); parsing reads the leading number and subtracts 32.
    static IntTextCallback* waveName();
    // "off" for 0, "on" otherwise; parsing gives 1 for "on" and 0 for anything else.
    static IntTextCallback* onOff();
};

} // namespace ostrel
