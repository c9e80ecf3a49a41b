#pragma once

#include "gui/headless_window.h"
#include "host/editor_binding.h"

namespace ostrel {

// An editor binding without a window, for tools and tests: the editor's root paints into
// memory and takes the input the caller feeds (xHeadlessWindow); there is nothing to open in
// a host's window, so open answers false.
class HeadlessEditorBinding final : public EditorBinding {
public:
    HeadlessEditorBinding(int width, int height) : window_(width, height) { }

    vellum::xHostWindow& window() override { return window_; }
    vst::ERect rect() override;
    bool open(void*) override { return false; }
    void close() override { }
    void idle() override { }

    vellum::xHeadlessWindow& headless() { return window_; }

private:
    vellum::xHeadlessWindow window_;
};

} // namespace ostrel
