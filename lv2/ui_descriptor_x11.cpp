// The LV2 editor binary's descriptor (urn:ostrel:synth#ui, an X11 UI): instantiate inside the
// host's window (ui:parent, required), port events, cleanup, and ui:idleInterface as extension
// data. No call lets an exception through: a failure becomes a null instance.
#include "instance/module_data.h"
#include "lv2/module.h"
#include "lv2/ui_editor.h"
#include "lv2/uris.h"

#include <lv2/ui/ui.h>

#include <cstring>

namespace ostrel::lv2 {

namespace {

const void* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (; features && *features; ++features) {
        if ((*features)->URI && std::strcmp((*features)->URI, uri) == 0)
            return (*features)->data;
    }
    return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor* descriptor, const char* pluginUri, const char* bundlePath,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) noexcept
{
    (void)descriptor;
    (void)bundlePath;
    void* parent = const_cast<void*>(findFeature(features, LV2_UI__parent));
    if (!parent || (pluginUri && std::strcmp(pluginUri, kPluginUri) != 0) || !moduleReady(ModuleParts::SoundAndGui))
        return nullptr;
    const auto* touch = static_cast<const LV2UI_Touch*>(findFeature(features, LV2_UI__touch));
    try {
        const ResourceBytes bank = defaultBankResource();
        auto editor = std::make_unique<UiEditor>(write, controller, touch, bank.data, bank.size);
        if (!editor->open(parent))
            return nullptr;
        if (widget)
            *widget = editor->window();
        return editor.release();
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) noexcept
{
    delete static_cast<UiEditor*>(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) noexcept
{
    try {
        static_cast<UiEditor*>(handle)->portEvent(port, size, format, buffer);
    } catch (...) {
        // A parameter that cannot be set keeps its value.
    }
}

// Nonzero tells the host the window is gone.
int idle(LV2UI_Handle handle) noexcept
{
    try {
        return static_cast<UiEditor*>(handle)->idle() ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

const LV2UI_Idle_Interface kIdle = {idle};

const void* extensionData(const char* uri) noexcept
{
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdle : nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

} // namespace ostrel::lv2

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &ostrel::lv2::kDescriptor : nullptr;
}
