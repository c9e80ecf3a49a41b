// The Windows editor: the toolkit's Windows window binding, a child window in the host's.
#include "gui/vst_pc_binding.h"
#include "host/editor_binding.h"

namespace ostrel {

namespace {

class WindowsBinding final : public EditorBinding {
public:
    WindowsBinding(int width, int height) : binding_(width, height) { }

    vellum::xHostWindow& window() override { return binding_; }
    vst::ERect rect() override
    {
        const vellum::xEditorRect* r = binding_.getRect();
        return {r->top, r->left, r->bottom, r->right};
    }
    bool open(void* parentWindow) override { return binding_.open(parentWindow); }
    void close() override { binding_.close(); }
    void idle() override { binding_.idle(); }

private:
    vellum::xVstPcBinding binding_;
};

} // namespace

std::unique_ptr<EditorBinding> createEditorBinding(int width, int height)
{
    return std::make_unique<WindowsBinding>(width, height);
}

} // namespace ostrel
