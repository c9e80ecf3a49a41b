#pragma once

#include "host/vst_abi.h"

namespace ostrel {

// A key event as the host passes it with effEditKeyDown / effEditKeyUp.
struct VstKeyCode {
    vst::VstInt32 character;
    unsigned char virt;
    unsigned char modifier;
};

// What the plug-in object needs of its editor: the host's editor opcodes go here.
class AEffEditor {
public:
    virtual ~AEffEditor() = default;
    virtual bool getRect(vst::ERect** rect) = 0;
    virtual bool open(void* parentWindow) = 0;
    virtual void close() = 0;
    virtual void idle() { }
    // The answers of the key and knob-mode opcodes, as the host gets them.
    virtual vst::VstIntPtr onKeyDown(VstKeyCode& key)
    {
        (void)key;
        return 0;
    }
    virtual vst::VstIntPtr onKeyUp(VstKeyCode& key)
    {
        (void)key;
        return 0;
    }
    virtual vst::VstIntPtr setKnobMode(vst::VstInt32 mode)
    {
        (void)mode;
        return 0;
    }
};

} // namespace ostrel
