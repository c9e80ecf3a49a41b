#pragma once

#include "host/editor_binding.h"
#include "host/editor_interface.h"

namespace ostrel {

// The host's editor interface over the toolkit's window binding: the rectangle (the same record
// on every call), open, close and idle go to the binding; keys are not taken from the host
// (they reach the editor through its own window), so the key opcodes answer -1; the knob mode
// is not used (0).
class EditorAdapter final : public AEffEditor {
public:
    explicit EditorAdapter(EditorBinding& binding) : binding_(binding) { }

    bool getRect(vst::ERect** rect) override;
    bool open(void* parentWindow) override { return binding_.open(parentWindow); }
    void close() override { binding_.close(); }
    void idle() override { binding_.idle(); }
    vst::VstIntPtr onKeyDown(VstKeyCode&) override { return -1; }
    vst::VstIntPtr onKeyUp(VstKeyCode&) override { return -1; }
    vst::VstIntPtr setKnobMode(vst::VstInt32) override { return 0; }

private:
    EditorBinding& binding_;
    vst::ERect rect_{};
    bool rectKnown_ = false;
};

} // namespace ostrel
