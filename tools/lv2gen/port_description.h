#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {
class Patch;
}

namespace ostrel::lv2gen {

struct ScalePoint {
    float value = 0.0f;
    std::string label;
};

// One control port as the bundle describes it, taken from a host parameter's object.
struct PortDescription {
    std::uint32_t index = 0; // the host index
    std::string symbol;      // the name made a valid, unique LV2 symbol
    std::string name;        // the name as the VST 2 host receives it
    std::string unitLabel;   // the parameter's label ("Hz"), may be empty
    std::string render;      // printf format of the display ("%.2f Hz"); empty for enumerations
    float defaultValue = 0.0f;
    float minimum = 0.0f; // the range a host reaches: the mapping's ends, or 0..count-1
    float maximum = 1.0f;
    bool integer = false;     // whole values only: int parameters and floats kept with 0 decimals
    bool enumeration = false; // int parameters: every value has a text
    bool logarithmic = false; // exponential mapping
    std::vector<ScalePoint> scalePoints;
};

// Describes the patch's 128 host parameters in index order, with the patch's values as
// defaults. False (with the problem) when a symbol would not be unique.
bool describePorts(Patch& patch, std::vector<PortDescription>& ports, std::string& problem);

// A valid LV2 symbol ([A-Za-z_][A-Za-z0-9_]*) for a parameter name: every other character
// becomes "_", a leading digit gets one before it.
std::string symbolOf(const std::string& name);

} // namespace ostrel::lv2gen
