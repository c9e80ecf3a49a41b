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
    virtual bool onKeyDown(VstKeyCode& key)
    {
        (void)key;
        return false;
    }
    virtual bool onKeyUp(VstKeyCode& key)
    {
        (void)key;
        return false;
    }
    virtual bool setKnobMode(vst::VstInt32 mode)
    {
        (void)mode;
        return false;
    }
};

} // namespace ostrel
