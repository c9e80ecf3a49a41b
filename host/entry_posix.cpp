// Module load on ELF systems: the shared data is built on the first call of the entry point
// (once, whatever the thread), released when the library is unloaded. The historic entry
// name "main" is exported as an alias of VSTPluginMain.
#include "host/entry.h"
#include "host/module.h"

#include <mutex>

namespace ostrel {

namespace {
std::once_flag gAttachOnce;
bool gAttached = false;

__attribute__((destructor)) void unloadModule()
{
    if (gAttached)
        detachModule();
}
} // namespace

bool moduleAttached()
{
    std::call_once(gAttachOnce, [] { gAttached = attachModule(); });
    return gAttached;
}

} // namespace ostrel

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster)
{
    return ostrel::createPlugin(audioMaster);
}

extern "C" __attribute__((visibility("default"))) vst::AEffect*
ostrelMainAlias(vst::audioMasterCallback audioMaster) __asm__("main");
extern "C" vst::AEffect* ostrelMainAlias(vst::audioMasterCallback audioMaster)
{
    return ostrel::createPlugin(audioMaster);
}
