#include "loader.h"

#include <dlfcn.h>

PluginLibrary::PluginLibrary(const char* path)
{
    handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        error_ = dlerror();
}

PluginLibrary::~PluginLibrary()
{
    if (handle_)
        dlclose(handle_);
}

void* PluginLibrary::symbol(const char* name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
}
