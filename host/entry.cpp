// What the exported entry point does on every platform: the module's shared data is built on
// the first call (not at library load, where a Windows loader lock is held), then the host
// hands its callback and gets the plug-in record. The exports themselves are in
// entry_win32.cpp / entry_posix.cpp.
#include "host/entry.h"
#include "host/editor_binding.h"
#include "host/module.h"
#include "host/synth_plugin.h"

#include <mutex>

namespace ostrel {

namespace {
std::once_flag gAttachOnce;
bool gAttached = false;
} // namespace

bool moduleAttached() noexcept
{
    try {
        std::call_once(gAttachOnce, [] {
            try {
                gAttached = attachModule();
            } catch (...) {
                gAttached = false;
            }
        });
    } catch (...) {
        return false;
    }
    return gAttached;
}

void moduleUnloading() noexcept
{
    if (gAttached)
        detachModule();
    gAttached = false;
}

vst::AEffect* createPlugin(vst::audioMasterCallback audioMaster) noexcept
{
    if (!audioMaster || !moduleAttached())
        return nullptr;
    try {
        // A host that does not answer its version is not a host we can work with.
        if (audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        const platform::Bytes bank = defaultBankResource();
        auto* plugin = new SynthPlugin(audioMaster, bank.data, bank.size,
                                       createEditorBinding(SynthPlugin::kEditorWidth, SynthPlugin::kEditorHeight));
        return plugin->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

} // namespace ostrel
