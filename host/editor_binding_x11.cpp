// The Linux editor: the toolkit's X11 window binding, a child window in the host's, with the
// bank-save question shown as the toolkit's own panel inside it.
#include "gui/vst_x11_binding.h"
#include "host/editor_binding.h"

namespace ostrel {

namespace {

class X11Binding final : public EditorBinding {
public:
    X11Binding(int width, int height) : binding_(width, height) { }

    vellum::xHostWindow& window() override { return binding_; }
    vst::ERect rect() override
    {
        const vellum::xEditorRect* r = binding_.getRect();
        return {r->top, r->left, r->bottom, r->right};
    }
    bool open(void* parentWindow) override { return binding_.open(parentWindow); }
    void close() override { binding_.close(); }
    void idle() override { binding_.idle(); }
    bool askQuestion(const std::string& text, std::function<void(bool ok)> answered) override
    {
        return binding_.askQuestion(text, std::move(answered)) != nullptr;
    }

private:
    vellum::xVstX11Binding binding_;
};

} // namespace

std::unique_ptr<EditorBinding> createEditorBinding(int width, int height)
{
    return std::make_unique<X11Binding>(width, height);
}

} // namespace ostrel
