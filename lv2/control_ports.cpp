#include "lv2/control_ports.h"

#include "patch/param.h"
#include "patch/registry.h"

namespace ostrel::lv2 {

void ControlPorts::connect(std::uint32_t index, const float* data)
{
    if (index < kParameterPortCount)
        ports_[index] = data;
}

void ControlPorts::adopt(const ParameterRegistry& registry)
{
    for (std::uint32_t i = 0; i < kParameterPortCount; ++i) {
        const ParameterAdapter* adapter = registry.find(static_cast<std::int32_t>(i));
        seen_[i] = adapter ? adapter->param->hostValue() : 0.0f;
    }
}

void ControlPorts::apply(const ParameterRegistry& registry)
{
    for (std::uint32_t i = 0; i < kParameterPortCount; ++i) {
        if (!ports_[i])
            continue;
        const float value = *ports_[i];
        // NaN never equals itself: it is applied (and ignored by the parameter) every time.
        if (value == seen_[i])
            continue;
        seen_[i] = value;
        const ParameterAdapter* adapter = registry.find(static_cast<std::int32_t>(i));
        if (adapter && adapter->param->hostValue() != value)
            adapter->param->setHostValue(value);
    }
}

} // namespace ostrel::lv2
