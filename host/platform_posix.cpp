// Platform layer for ELF systems: resources are linked into the plug-in as data, message boxes
// go to standard error (until there is a window system binding for them).
#include "host/linked_resources.h"
#include "host/platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <strings.h>

namespace ostrel::platform {

// Generated for the plug-in binary; absent (null) in test programs that link without it.
extern const LinkedResource kLinkedResources[] __attribute__((weak));

void setModuleHandle(void* handle)
{
    (void)handle;
}

Bytes findResource(const char* type, int id)
{
    if (!type || !kLinkedResources)
        return {};
    for (const LinkedResource* r = kLinkedResources; r->type; ++r) {
        if (r->id == id && strcasecmp(r->type, type) == 0)
            return {r->begin, static_cast<std::size_t>(r->end - r->begin)};
    }
    return {};
}

Answer messageBox(const char* text, const char* caption, BoxKind kind)
{
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return kind == BoxKind::OkCancel ? Answer::Cancel : Answer::Ok;
}

const char* bankFilePath()
{
    static const std::string path = [] {
        const char* home = std::getenv("HOME");
        std::string p = (home && *home) ? home : ".";
        if (p.back() != '/')
            p += '/';
        return p + "ostrel.bnk";
    }();
    return path.c_str();
}

const char* bankFileDisplayName()
{
    return bankFilePath();
}

} // namespace ostrel::platform
