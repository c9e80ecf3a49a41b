#pragma once

#include "instance/module_data.h"

namespace ostrel {

// One module resource linked into a binary as data (ELF builds: an assembler .incbin per
// file). The build generates the table kLinkedResources for each plug-in binary; it ends with
// an entry whose type is null.
struct LinkedResource {
    const char* type;
    int id;
    const unsigned char* begin;
    const unsigned char* end;
};

// The resource of the given type name (compared without regard to ASCII case, as resource
// types are on Windows) and id in the table; empty when absent or when there is no table.
ResourceBytes findLinkedResource(const LinkedResource* table, const char* type, int id);

} // namespace ostrel
