// Platform layer for ELF systems: resources are linked into the plug-in as data, message boxes
// go to standard error (an open editor asks its questions in its own window instead,
// EditorBinding::askQuestion).
#include "host/linked_resources.h"
#include "host/platform.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <strings.h>

namespace ostrel::platform {

namespace {
std::atomic<MessageBoxHandler> gMessageBoxHandler{nullptr};
}

void setMessageBoxHandler(MessageBoxHandler handler)
{
    gMessageBoxHandler = handler;
}

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
    if (MessageBoxHandler handler = gMessageBoxHandler.load())
        return handler(text, caption, kind);
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return kind == BoxKind::OkCancel ? Answer::Cancel : Answer::Ok;
}

std::string bankFilePath()
{
    const char* home = std::getenv("HOME");
    std::string path = (home && *home) ? home : ".";
    if (path.back() != '/')
        path += '/';
    return path + "ostrel.bnk";
}

std::string bankFileDisplayName()
{
    return bankFilePath();
}

} // namespace ostrel::platform
