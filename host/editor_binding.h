#pragma once

#include <algorithm>
#include <memory>

#include "gui/host_window.h"
#include "host/vst_abi.h"

namespace ostrel {

// The toolkit window binding the plug-in's editor lives in, as the host adapter drives it:
// the window the host's editor opcodes open, idle and close, and the root facade the editor
// builds its layers on. User-interface thread, like the toolkit.
class EditorBinding {
public:
    virtual ~EditorBinding() = default;

    // The window whose root the editor's widgets join (xHostWindow::getFacade).
    virtual vellum::xHostWindow& window() = 0;
    // The editor's place in the host's window: top 0, left 0, bottom height, right width.
    virtual vst::ERect rect() = 0;
    // Opens the editor inside the host's window (a native window handle); false when it
    // cannot be made there (a null or invalid handle, no window system).
    virtual bool open(void* parentWindow) = 0;
    virtual void close() = 0;
    // The host's idle call while the editor is open.
    virtual void idle() = 0;
};

// The rectangle of an editor of that size at the top-left corner of the host's window.
inline vst::ERect editorRectOf(int width, int height)
{
    const auto field = [](int v) { return static_cast<vst::VstInt16>(std::clamp(v, 0, 32767)); };
    return {0, 0, field(height), field(width)};
}

// The binding of the platform the module is built for: editor_binding_win32.cpp and
// editor_binding_posix.cpp, chosen by the build.
std::unique_ptr<EditorBinding> createEditorBinding(int width, int height);

} // namespace ostrel
