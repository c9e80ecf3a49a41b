#include "host/editor_adapter.h"

namespace ostrel {

bool EditorAdapter::getRect(vst::ERect** rect)
{
    if (!rect)
        return false;
    if (!rectKnown_) {
        rect_ = binding_.rect();
        rectKnown_ = true;
    }
    *rect = &rect_;
    return true;
}

} // namespace ostrel
