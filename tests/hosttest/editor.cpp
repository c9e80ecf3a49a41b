// The editor opcodes as a host calls them, on both builds: the plug-in has an editor, its
// rectangle is the same record every time, keys are not taken from the host, and opening it
// without a usable parent window fails cleanly.
#include "host_support.h"
#include "suites.h"

#include <cstdint>

namespace hosttest {

void testEditorOpcodes(AEffect* e)
{
    checkEq(e->flags, 0x131, "flags: editor, replacing, chunks, synth");
    ERect* rect = nullptr;
    ERect* again = nullptr;
    checkEq(call(e, effEditGetRect, 0, 0, &rect), 1, "effEditGetRect answers 1");
    checkEq(call(e, effEditGetRect, 0, 0, &again), 1, "effEditGetRect answers 1 again");
    check(rect != nullptr && rect == again, "effEditGetRect gives the same record every time");
    if (rect) {
        checkEq(rect->top, 0, "editor top");
        checkEq(rect->left, 0, "editor left");
        checkEq(rect->bottom, 500, "editor bottom");
        checkEq(rect->right, 760, "editor right");
    }
    checkEq(call(e, effEditGetRect, 0, 0, nullptr), 0, "effEditGetRect without a place for the record");
    checkEq(call(e, effEditKeyDown, 'a', 65, nullptr, 0.0f), -1, "effEditKeyDown: keys are not taken from the host");
    checkEq(call(e, effEditKeyUp, 'a', 65, nullptr, 0.0f), -1, "effEditKeyUp: keys are not taken from the host");
    checkEq(call(e, effSetEditKnobMode, 0, 1), 0, "effSetEditKnobMode");

    checkEq(call(e, effEditOpen, 0, 0, nullptr), 0, "effEditOpen without a parent window answers 0");
    void* invalid = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5A5A5A));
    checkEq(call(e, effEditOpen, 0, 0, invalid), 0, "effEditOpen with an invalid parent window answers 0");
    call(e, effEditIdle);
    call(e, effEditClose);
    call(e, effEditClose);
    check(true, "idle and close of an editor that is not open are harmless");
}

} // namespace hosttest
