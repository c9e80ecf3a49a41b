// Module entry on ELF systems. The shared data is built on the first call of the entry point
// and released by the library's destructor function, which runs at dlclose and, for a host
// that exits without unloading, at exit. The historic entry name "main" is exported as an
// alias of VSTPluginMain.
#include "host/entry.h"

namespace {

__attribute__((destructor)) void unloadModule()
{
    ostrel::moduleUnloading();
}

} // namespace

extern "C" __attribute__((visibility("default"))) vst::AEffect*
VSTPluginMain(vst::audioMasterCallback audioMaster) noexcept
{
    return ostrel::createPlugin(audioMaster);
}

extern "C" __attribute__((visibility("default"))) vst::AEffect*
ostrelMainAlias(vst::audioMasterCallback audioMaster) noexcept __asm__("main");
extern "C" vst::AEffect* ostrelMainAlias(vst::audioMasterCallback audioMaster) noexcept
{
    return ostrel::createPlugin(audioMaster);
}
