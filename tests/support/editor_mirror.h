#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/synth_editor.h"
#include "gui/question_panel.h"
#include "host/headless_editor_binding.h"
#include "host/synth_plugin.h"

// For the programs that open the plug-in's editor through its binary interface (the window
// tests): the same plug-in built in the test program on a headless binding and the source
// tree's resources (moduledata::load first). It tells where the controls are and what a change
// gives, and renders what the plug-in's window must show for the plug-in's current program.
namespace editormirror {

class Mirror {
public:
    static constexpr int kWidth = ostrel::SynthEditor::kWidth;
    static constexpr int kHeight = ostrel::SynthEditor::kHeight;

    Mirror(const std::vector<unsigned char>& defaultBank, vst::audioMasterCallback master)
        : binding_(new ostrel::HeadlessEditorBinding(kWidth, kHeight)),
          plugin_(master, defaultBank.data(), defaultBank.size(), std::unique_ptr<ostrel::EditorBinding>(binding_))
    { }

    // Takes the plug-in's current program (its program chunk) and renders the editor, as blue,
    // green, red, x pixels; with the toolkit's question panel over it when `question` is not
    // empty (the panel is answered again after the render; okButton() tells where its OK was).
    std::vector<std::uint8_t> render(vst::AEffect* effect, const std::string& question = "")
    {
        void* chunk = nullptr;
        const auto size = static_cast<vst::VstInt32>(effect->dispatcher(effect, vst::effGetChunk, 1, 0, &chunk, 0.0f));
        plugin_.setChunk(chunk, size, true);
        vellum::xHeadlessWindow& window = binding_->headless();
        vellum::xQuestionPanel* panel = nullptr;
        if (!question.empty())
            panel = vellum::xQuestionPanel::ask(*window.getFacade(), {0, 0, kWidth, kHeight}, question, nullptr);
        window.paintAll();
        const std::uint8_t* first = window.surface().pixelAt(0, 0);
        std::vector<std::uint8_t> pixels(first, first + static_cast<std::size_t>(kWidth) * kHeight * 4);
        if (panel) {
            okButton_ = panel->okButton();
            panel->answer(false);
        }
        return pixels;
    }

    // The host index of a parameter of the patch, -1 for none.
    vst::VstInt32 indexOf(const ostrel::xParam* param)
    {
        for (vst::VstInt32 i = 0; i < patch().registry().count(); ++i) {
            if (patch().registry().find(i)->param == param)
                return i;
        }
        return -1;
    }

    ostrel::Patch& patch() { return plugin_.patch(); }
    ostrel::SynthEditor& editor() { return *plugin_.editor(); }
    ostrel::SynthPlugin& plugin() { return plugin_; }
    vellum::xRect okButton() const { return okButton_; }

private:
    ostrel::HeadlessEditorBinding* binding_; // owned by the plug-in
    ostrel::SynthPlugin plugin_;
    vellum::xRect okButton_;
};

} // namespace editormirror
