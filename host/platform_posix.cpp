// Platform layer for ELF systems: resources are linked into the plug-in as data, message boxes
// go to standard error (an open editor asks its questions in its own window instead,
// EditorBinding::askQuestion).
#include "host/platform.h"
#include "instance/linked_resources.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ostrel::platform {

namespace {
std::atomic<MessageBoxHandler> gMessageBoxHandler{nullptr};
}

void setMessageBoxHandler(MessageBoxHandler handler)
{
    gMessageBoxHandler = handler;
}

} // namespace ostrel::platform

namespace ostrel {
// Generated for the plug-in binary; absent (null) in test programs that link without it.
extern const LinkedResource kLinkedResources[] __attribute__((weak));
} // namespace ostrel

namespace ostrel::platform {

void setModuleHandle(void* handle)
{
    (void)handle;
}

Bytes findResource(const char* type, int id)
{
    return findLinkedResource(kLinkedResources, type, id);
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
