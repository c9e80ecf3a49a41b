#pragma once

#include "patch/registry.h"

#include <lv2/ui/ui.h>

#include <cstdint>

namespace ostrel::lv2 {

// The editor's side of the control ports, in the user-interface process: every change a user
// makes to a host parameter in the editor is written to the control port of the same index,
// in the parameter's own units (the values the plug-in's ports carry), and the host's port
// events set the parameter without being written back. Gestures become the host's touch calls
// when it offers ui:touch.
//
// It is the patch's automation sink: the patch reports every change of a registered parameter
// here, whoever made it; a change made while a port event is applied is the host's own and is
// not echoed. User-interface thread only.
class UiPorts final : public AutomationSink {
public:
    UiPorts(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
        : write_(write),
          controller_(controller),
          touch_(touch)
    { }

    // From now on changes of the registry's parameters are written to the host (not before:
    // the first program load of a new editor is not the user's).
    void attach(const ParameterRegistry& registry) { registry_ = &registry; }

    // A host's port event: a float (format 0) for one of the control ports moves its parameter
    // (clamped and rounded as the plug-in does, NaN ignored). Anything else is ignored.
    void portEvent(std::uint32_t index, std::uint32_t size, std::uint32_t format, const void* buffer);

    void setParameterAutomated(std::int32_t index, float value) override;
    void gestureBegan(std::int32_t index) override;
    void gestureEnded(std::int32_t index) override;

private:
    const ParameterAdapter* adapter(std::int32_t index) const;

    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Touch* touch_;
    const ParameterRegistry* registry_ = nullptr;
    bool fromHost_ = false;
};

} // namespace ostrel::lv2
