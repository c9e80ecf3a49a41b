// The editor on Linux until the X11 window binding is here: the widgets are built and follow
// the patch, but no window can be opened (open answers false, so hosts show their own
// generic editor).
#include "host/editor_binding.h"

namespace ostrel {

namespace {

class WindowlessBinding final : public EditorBinding, private vellum::xHostWindow {
public:
    WindowlessBinding(int width, int height) : width_(width), height_(height) { }

    vellum::xHostWindow& window() override { return *this; }
    vst::ERect rect() override { return editorRectOf(width_, height_); }
    bool open(void*) override { return false; }
    void close() override { }
    void idle() override { }

    void invalidateRect(int, int, int, int) override { }
    void* getNativeHandle() override { return nullptr; }

private:
    int width_;
    int height_;
};

} // namespace

std::unique_ptr<EditorBinding> createEditorBinding(int width, int height)
{
    return std::make_unique<WindowlessBinding>(width, height);
}

} // namespace ostrel
