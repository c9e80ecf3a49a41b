// What the exported entry point does on every platform: the module's shared data is built on
// the first call (not at library load, where a Windows loader lock is held), then the host
// hands its callback and gets the plug-in record. The exports themselves are in
// entry_win32.cpp / entry_posix.cpp.
#include "host/entry.h"
#include "host/editor_binding.h"
#include "host/platform.h"
#include "host/synth_plugin.h"
#include "instance/module_data.h"

namespace ostrel {

namespace {

void reportMissingResources()
{
    platform::messageBox("Resource file \"resources.dat\" couldn't be found.", "Vellum error",
                         platform::BoxKind::Warning);
}

} // namespace

bool moduleAttached() noexcept
{
    return moduleAttached(platform::findResource, ModuleParts::SoundAndGui, reportMissingResources);
}

vst::AEffect* createPlugin(vst::audioMasterCallback audioMaster) noexcept
{
    if (!audioMaster || !moduleAttached())
        return nullptr;
    try {
        // A host that does not answer its version is not a host we can work with.
        if (audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        const ResourceBytes bank = defaultBankResource();
        auto* plugin = new SynthPlugin(audioMaster, bank.data, bank.size,
                                       createEditorBinding(SynthPlugin::kEditorWidth, SynthPlugin::kEditorHeight));
        return plugin->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

} // namespace ostrel
