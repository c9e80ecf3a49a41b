#include "host/headless_editor_binding.h"

namespace ostrel {

vst::ERect HeadlessEditorBinding::rect()
{
    const vellum::xRect r = window_.surface().getRegion();
    return editorRectOf(r.width, r.height);
}

} // namespace ostrel
