#pragma once

#include "lv2/port_layout.h"

#include <array>

namespace ostrel {
class ParameterRegistry;
}

namespace ostrel::lv2 {

// The 128 control input ports and what the plug-in last saw on each. The host owns the port
// values; a value is applied to its parameter only when it differs from the one last seen and
// from the parameter's own value. So a restored program chunk is not overwritten by port
// values the host has not changed (a host that restores the state alone), nor re-rounded by
// the same values set again (a host that restores the state and then the ports), while a port
// the host does change after a restore still reaches the sound.
//
// Audio thread (apply) and instantiation-class calls (connect, adopt), which LV2 never runs at
// the same time as run().
class ControlPorts {
public:
    void connect(std::uint32_t index, const float* data);
    // Takes the patch's values as those seen, so nothing is applied until the host changes a
    // port (after instantiation: the ports start at the same defaults).
    void adopt(const ParameterRegistry& registry);
    // Applies every port whose value changed to its parameter (setHostValue). Takes the
    // parameters' own locks, nothing else; allocates nothing.
    void apply(const ParameterRegistry& registry);

private:
    std::array<const float*, kParameterPortCount> ports_{};
    std::array<float, kParameterPortCount> seen_{};
};

} // namespace ostrel::lv2
