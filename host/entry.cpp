// The plug-in's exported entry point: the host hands its callback and gets the plug-in record.
#include "host/entry.h"
#include "host/module.h"
#include "host/synth_plugin.h"

#if defined(_WIN32)
#define OSTREL_EXPORT __declspec(dllexport)
#else
#define OSTREL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" OSTREL_EXPORT vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster)
{
    if (!audioMaster || !ostrel::moduleAttached())
        return nullptr;
    // A host that does not answer its version is not a host we can work with.
    if (audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    const ostrel::platform::Bytes bank = ostrel::defaultBankResource();
    auto* plugin = new ostrel::SynthPlugin(audioMaster, bank.data, bank.size);
    return plugin->getAeffect();
}
