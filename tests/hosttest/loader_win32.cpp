#include "loader.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

PluginLibrary::PluginLibrary(const char* path)
{
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path));
    if (!handle_)
        error_ = "LoadLibrary failed";
}

PluginLibrary::~PluginLibrary()
{
    if (handle_)
        FreeLibrary(static_cast<HMODULE>(handle_));
}

void* PluginLibrary::symbol(const char* name) const
{
    if (!handle_)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
