#pragma once

#include "instance/module_data.h"

#include <string>

// The platform layer: the only place (with the toolkit's window code) that talks to the
// operating system. One interface, one implementation per platform (platform_win32.cpp,
// platform_posix.cpp), chosen by the build.
namespace ostrel::platform {

using Bytes = ResourceBytes;

// Remembers the module handle (Windows: the DLL's HINSTANCE); resources are looked up in it.
void setModuleHandle(void* handle);

// The bytes of the module resource of the given type name and numeric id. Type names are
// matched without regard to case ("xDat" and "XDAT" are one type). Empty when absent.
Bytes findResource(const char* type, int id);

enum class BoxKind { Warning, OkCancel };
enum class Answer { Ok, Cancel };

// A modal message box with no owner. Where no window system is available the text goes to
// standard error and the default answer (Ok for a warning, Cancel for a question) is taken.
Answer messageBox(const char* text, const char* caption, BoxKind kind);

// Replaces the message box (tests answer questions with it); null restores the real one.
using MessageBoxHandler = Answer (*)(const char* text, const char* caption, BoxKind kind);
void setMessageBoxHandler(MessageBoxHandler handler);

// The bank file the editor's save command writes, and how the question names it.
std::string bankFilePath();
std::string bankFileDisplayName();

} // namespace ostrel::platform
