#pragma once

#include "editor/synth_editor.h"
#include "gui/vst_x11_binding.h"
#include "instance/synth_instance.h"
#include "lv2/ui_ports.h"

#include <cstddef>
#include <memory>

namespace ostrel::lv2 {

// The plug-in's editor as an LV2 X11 user interface: a patch of its own (the parameter objects
// the editor's controls are bound to, starting at the default bank's first program like a new
// plug-in instance), the editor screen on the toolkit's X11 window binding, opened as a child
// of the host's window, and the control-port bridge. There is no engine in this process, so the
// envelope editors show no play markers; the bank-save button of the plug-in's VST 2 editor is
// not here.
// User-interface thread only. Implemented in ui_editor_x11.cpp.
class UiEditor {
public:
    static constexpr int kWidth = SynthEditor::kWidth;
    static constexpr int kHeight = SynthEditor::kHeight;

    UiEditor(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
             const unsigned char* defaultBank, std::size_t defaultBankSize);
    ~UiEditor();
    UiEditor(const UiEditor&) = delete;
    UiEditor& operator=(const UiEditor&) = delete;

    // Opens the window inside the host's (an X window id); false when it cannot be made there.
    bool open(void* parentWindow) { return binding_.open(parentWindow); }
    // The editor's window id, null while closed.
    void* window() { return binding_.getNativeHandle(); }
    void portEvent(std::uint32_t index, std::uint32_t size, std::uint32_t format, const void* buffer)
    {
        ports_.portEvent(index, size, format, buffer);
    }
    // Events, timer ticks and paint; false once the window is gone (the host destroyed it).
    bool idle();

private:
    UiPorts ports_;
    SynthInstance instance_;
    vellum::xVstX11Binding binding_;
    std::unique_ptr<SynthEditor> editor_;
};

} // namespace ostrel::lv2
