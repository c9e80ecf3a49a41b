#include "gui/module_handle.h"

#include <windows.h>

namespace vellum {

namespace {
// Any address inside this module identifies it.
const char gMarker = 0;
} // namespace

void* moduleHandle()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, &gMarker,
                       &module);
    return module;
}

} // namespace vellum
