// What the exported entry point does on every platform: the host hands its callback and gets
// the plug-in record. The exports themselves are in entry_win32.cpp / entry_posix.cpp.
#include "host/entry.h"
#include "host/module.h"
#include "host/synth_plugin.h"

namespace ostrel {

vst::AEffect* createPlugin(vst::audioMasterCallback audioMaster)
{
    if (!audioMaster || !moduleAttached())
        return nullptr;
    // A host that does not answer its version is not a host we can work with.
    if (audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    const platform::Bytes bank = defaultBankResource();
    auto* plugin = new SynthPlugin(audioMaster, bank.data, bank.size);
    return plugin->getAeffect();
}

} // namespace ostrel
