#pragma once

#include "gui/editor_rect.h"
#include "host/editor_binding.h"

namespace ostrel {

// An EditorBinding over one of the toolkit's window bindings (xVstPcBinding, xVstX11Binding):
// the host adapter's calls go straight to the window binding, the rectangle is its getRect.
template <class WindowBinding>
class WindowEditorBinding : public EditorBinding {
public:
    WindowEditorBinding(int width, int height) : binding_(width, height) { }

    vellum::xHostWindow& window() override { return binding_; }
    vst::ERect rect() override
    {
        const vellum::xEditorRect* r = binding_.getRect();
        return {r->top, r->left, r->bottom, r->right};
    }
    bool open(void* parentWindow) override { return binding_.open(parentWindow); }
    void close() override { binding_.close(); }
    void idle() override { binding_.idle(); }

protected:
    WindowBinding binding_;
};

} // namespace ostrel
