#pragma once

#include <array>
#include <memory>
#include <vector>

#include "editor/envelope_editor.h"
#include "editor/envelope_readout.h"
#include "editor/mix_envelope_editor.h"
#include "editor/mod_matrix_view.h"
#include "editor/wave_selector.h"
#include "engine/engine_holder.h"
#include "gui/bitmap.h"
#include "gui/hover_hint.h"
#include "gui/layer.h"
#include "gui/menu.h"
#include "gui/rect.h"
#include "gui/root_interface.h"
#include "gui/shared_ref.h"
#include "gui/view_link.h"
#include "patch/patch.h"

namespace ostrel {

// The synthesizer's one editor screen, 760 x 500 pixels: every setting of the patch at once,
// each control bound to its parameter's views, so host automation, program changes, chunk
// loads and other controls move the screen by themselves. The editor keeps no parameter state
// of its own; only the four private flags that open the wave selectors.
//
// Left, the envelopes (the mix pad with its segment times, the filter and the amplitude
// graphs, each with loop and repeat menus); right, the oscillators, the modulation matrix, the
// filter, the LFOs, volume, voices, chorus and pan. Built on the root facade of a window
// binding, from the process's resource package and wave bank; its layers go to the root, which
// draws them whenever the host's window is open. Construction and destruction on the
// user-interface thread; the editor removes its layers from the root when it goes.
//
// The plug-in hands it every engine it builds (EngineHolder); the envelope editors then show
// where the last started voice stands, from the play positions the engine publishes.
class SynthEditor final : public EngineHolder {
public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 500;
    static constexpr int kControlLayers = 4;

    SynthEditor(vellum::xRootInterface& root, Patch& patch);
    ~SynthEditor() override;
    SynthEditor(const SynthEditor&) = delete;
    SynthEditor& operator=(const SynthEditor&) = delete;

    // The engine's play positions record reaches the three envelope editors (none: no markers).
    // Called on the dispatcher thread while the editor may be drawing; the record must outlive
    // the editor.
    void engineChanged(VoiceEngine* engine) override;

    // The widgets tests and tools reach.
    MixEnvelopeEditor& mixEditor() { return *mixEditor_; }
    EnvelopeEditor& filterEditor() { return *filterEditor_; }
    EnvelopeEditor& ampEditor() { return *ampEditor_; }
    // 0 the mix pad's, 1 the filter envelope's, 2 the amplitude envelope's.
    EnvelopeReadout& readout(int envelope) { return *readouts_[static_cast<std::size_t>(envelope % 3)]; }
    WaveSelector& waveSelector(int osc) { return *selectors_[static_cast<std::size_t>(osc & 3)]; }
    const ModMatrixView& modMatrix() const { return *matrix_; }
    xIntParam& selectorFlag(int osc) { return *selectorFlags_[static_cast<std::size_t>(osc & 3)]; }
    vellum::xHoverHint& thumbnailHint(int osc) { return *thumbnailHints_[static_cast<std::size_t>(osc & 3)]; }
    vellum::xBitmap* thumbnails() const { return thumbnails_.get(); }

private:
    struct Art;
    // A caption on the graphs layer; a big knob on the controls layer with its value hint.
    void addLabel(const Art& art, const char* text, vellum::xPoint at);
    void addBigKnob(const Art& art, xParam& param, vellum::xPoint at, const char* unit);
    void buildEnvelopes(Art& art);
    void buildOscillators(Art& art);
    void buildFilterAndLfos(Art& art);
    void buildMaster(Art& art);
    void openSelector(int osc);

    vellum::xRootInterface& root_;
    Patch& patch_;
    vellum::xSharedRef<vellum::xBitmap> thumbnails_;
    vellum::xLayer* background_ = nullptr;
    std::array<vellum::xLayer*, kControlLayers> layers_{};
    std::array<EnvelopeReadout*, 3> readouts_{};
    MixEnvelopeEditor* mixEditor_ = nullptr;
    EnvelopeEditor* filterEditor_ = nullptr;
    EnvelopeEditor* ampEditor_ = nullptr;
    std::unique_ptr<ModMatrixView> matrix_;
    std::array<std::unique_ptr<xIntParam>, kOscCount> selectorFlags_;
    std::array<vellum::xHoverHint*, kOscCount> thumbnailHints_{};
    std::array<WaveSelector*, kOscCount> selectors_{};
    // Last: gone first, so a flag change never reaches a half-destroyed editor.
    std::vector<std::unique_ptr<vellum::xViewLink>> flagLinks_;
};

} // namespace ostrel
