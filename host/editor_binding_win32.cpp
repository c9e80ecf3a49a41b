// The Windows editor: the toolkit's Windows window binding, a child window in the host's.
#include "gui/vst_pc_binding.h"
#include "host/window_editor_binding.h"

namespace ostrel {

std::unique_ptr<EditorBinding> createEditorBinding(int width, int height)
{
    return std::make_unique<WindowEditorBinding<vellum::xVstPcBinding>>(width, height);
}

} // namespace ostrel
