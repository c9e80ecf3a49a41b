// Module entry of the Windows DLL. DllMain only records the module handle: the shared data is
// built on the first call of the entry point (its failure box included), because user32 calls
// under the loader lock can deadlock a host. The data is released when the DLL is unloaded
// with FreeLibrary; at process exit there is nothing to give back.
#include "host/entry.h"
#include "host/platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Exported twice by ostrel.def: as VSTPluginMain and under the historic name main.
extern "C" __declspec(dllexport) vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster) noexcept
{
    return ostrel::createPlugin(audioMaster);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: ostrel::platform::setModuleHandle(instance); return TRUE;
    case DLL_PROCESS_DETACH:
        // reserved is null for FreeLibrary, non-null when the process is ending.
        if (!reserved) {
            ostrel::moduleUnloading();
            ostrel::platform::setModuleHandle(nullptr);
        }
        return TRUE;
    default: return TRUE;
    }
}
