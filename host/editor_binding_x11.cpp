// The Linux editor: the toolkit's X11 window binding, a child window in the host's, with the
// bank-save question shown as the toolkit's own panel inside it.
#include "gui/vst_x11_binding.h"
#include "host/window_editor_binding.h"

namespace ostrel {

namespace {

class X11EditorBinding final : public WindowEditorBinding<vellum::xVstX11Binding> {
public:
    using WindowEditorBinding::WindowEditorBinding;

    bool askQuestion(const std::string& text, std::function<void(bool ok)> answered) override
    {
        return binding_.askQuestion(text, std::move(answered)) != nullptr;
    }
};

} // namespace

std::unique_ptr<EditorBinding> createEditorBinding(int width, int height)
{
    return std::make_unique<X11EditorBinding>(width, height);
}

} // namespace ostrel
