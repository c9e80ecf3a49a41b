// Platform layer for Windows: module resources through the resource API, message boxes from
// user32.
#include "host/platform.h"

#include <atomic>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace ostrel::platform {

namespace {
HMODULE gModule = nullptr;
std::atomic<MessageBoxHandler> gMessageBoxHandler{nullptr};
} // namespace

void setMessageBoxHandler(MessageBoxHandler handler)
{
    gMessageBoxHandler = handler;
}

void setModuleHandle(void* handle)
{
    gModule = static_cast<HMODULE>(handle);
}

Bytes findResource(const char* type, int id)
{
    // Resource type names are compared without regard to case by the system.
    HRSRC info = FindResourceA(gModule, MAKEINTRESOURCEA(id), type);
    if (!info)
        return {};
    HGLOBAL handle = LoadResource(gModule, info);
    if (!handle)
        return {};
    const void* data = LockResource(handle);
    if (!data)
        return {};
    return {static_cast<const unsigned char*>(data), static_cast<std::size_t>(SizeofResource(gModule, info))};
}

Answer messageBox(const char* text, const char* caption, BoxKind kind)
{
    if (MessageBoxHandler handler = gMessageBoxHandler.load())
        return handler(text, caption, kind);
    const UINT style =
        kind == BoxKind::OkCancel ? (MB_OKCANCEL | MB_ICONQUESTION) : (MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    const int answer = MessageBoxA(nullptr, text, caption, style);
    return answer == IDOK ? Answer::Ok : Answer::Cancel;
}

std::string bankFilePath()
{
    return "c:/ostrel.bnk";
}

std::string bankFileDisplayName()
{
    return "C:\\ostrel.bnk";
}

} // namespace ostrel::platform
