#include "lv2/ui_ports.h"

#include "lv2/port_layout.h"
#include "patch/param.h"

#include <cstring>

namespace ostrel::lv2 {

const ParameterAdapter* UiPorts::adapter(std::int32_t index) const
{
    if (!registry_ || index < 0 || static_cast<std::uint32_t>(index) >= kParameterPortCount)
        return nullptr;
    const ParameterAdapter* found = registry_->find(index);
    return found && found->param ? found : nullptr;
}

void UiPorts::portEvent(std::uint32_t index, std::uint32_t size, std::uint32_t format, const void* buffer)
{
    if (format != 0 || size != sizeof(float) || !buffer || index >= kParameterPortCount)
        return;
    const ParameterAdapter* found = adapter(static_cast<std::int32_t>(index));
    if (!found)
        return;
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    // The value the parameter already has (often the echo of our own write) changes nothing,
    // so it is not re-rounded either.
    if (found->param->hostValue() == value)
        return;
    fromHost_ = true;
    found->param->setHostValue(value);
    fromHost_ = false;
}

void UiPorts::setParameterAutomated(std::int32_t index, float value)
{
    (void)value; // normalized; the port carries the parameter's own units
    const ParameterAdapter* found = adapter(index);
    if (!found || fromHost_ || !write_)
        return;
    const float port = found->param->hostValue();
    write_(controller_, static_cast<std::uint32_t>(index), sizeof port, 0, &port);
}

void UiPorts::gestureBegan(std::int32_t index)
{
    if (adapter(index) && touch_ && touch_->touch)
        touch_->touch(touch_->handle, static_cast<std::uint32_t>(index), true);
}

void UiPorts::gestureEnded(std::int32_t index)
{
    if (adapter(index) && touch_ && touch_->touch)
        touch_->touch(touch_->handle, static_cast<std::uint32_t>(index), false);
}

} // namespace ostrel::lv2
