// Module entry of the Windows DLL: the shared data is built on process attach and released on
// detach; a failed build refuses the load.
#include "host/entry.h"
#include "host/module.h"
#include "host/platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace ostrel {

namespace {
bool gAttached = false;
}

bool moduleAttached()
{
    return gAttached;
}

} // namespace ostrel

// Exported twice by ostrel.def: as VSTPluginMain and under the historic name main.
extern "C" __declspec(dllexport) vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster)
{
    return ostrel::createPlugin(audioMaster);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        ostrel::platform::setModuleHandle(instance);
        ostrel::gAttached = ostrel::attachModule();
        return ostrel::gAttached ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        if (ostrel::gAttached)
            ostrel::detachModule();
        ostrel::gAttached = false;
        ostrel::platform::setModuleHandle(nullptr);
        return TRUE;
    default: return TRUE;
    }
}
