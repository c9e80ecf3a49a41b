// The plug-in's LV2 descriptor: instantiate, ports, activate, run, deactivate, cleanup and the
// state interface. No call lets an exception through: a failure becomes a null instance.
#include "instance/module_data.h"
#include "lv2/module.h"
#include "lv2/state.h"
#include "lv2/synth_lv2.h"
#include "lv2/uris.h"

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <cstring>
#include <new>

namespace ostrel::lv2 {

namespace {

const LV2_URID_Map* findMap(const LV2_Feature* const* features)
{
    for (; features && *features; ++features) {
        if ((*features)->URI && std::strcmp((*features)->URI, LV2_URID__map) == 0)
            return static_cast<const LV2_URID_Map*>((*features)->data);
    }
    return nullptr;
}

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double rate, const char* bundlePath,
                       const LV2_Feature* const* features) noexcept
{
    (void)descriptor;
    (void)bundlePath;
    const LV2_URID_Map* map = findMap(features);
    if (!map || !map->map || !moduleReady(ModuleParts::Sound))
        return nullptr;
    try {
        const ResourceBytes bank = defaultBankResource();
        return new SynthLv2(rate, *map, bank.data, bank.size);
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) noexcept
{
    static_cast<SynthLv2*>(handle)->connectPort(port, data);
}

void activate(LV2_Handle handle) noexcept
{
    try {
        static_cast<SynthLv2*>(handle)->activate();
    } catch (...) {
        // Without an engine the instance stays silent.
    }
}

void run(LV2_Handle handle, uint32_t frames) noexcept
{
    static_cast<SynthLv2*>(handle)->run(frames);
}

void deactivate(LV2_Handle handle) noexcept
{
    static_cast<SynthLv2*>(handle)->deactivate();
}

void cleanup(LV2_Handle handle) noexcept
{
    delete static_cast<SynthLv2*>(handle);
}

const void* extensionData(const char* uri) noexcept
{
    if (uri && std::strcmp(uri, LV2_STATE__interface) == 0)
        return &kStateInterface;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate,
                                    run,        deactivate,  cleanup,     extensionData};

} // namespace

} // namespace ostrel::lv2

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &ostrel::lv2::kDescriptor : nullptr;
}
