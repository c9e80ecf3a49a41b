#pragma once

#include <array>

#include "gui/bitmap.h"
#include "gui/font.h"
#include "gui/modal_panel.h"
#include "gui/shared_ref.h"
#include "gui/subject.h"

namespace ostrel {

// The popup on which an oscillator's wave is chosen: a black panel with all 96 waves as
// thumbnails and numbers in a grid of 8 columns by 12 rows (numbers running down the
// columns), and for the wave under the pointer its number and name, a plot of its cycle and a
// bar graph of its harmonics 1..63.
//
// Opened by the editor (enable, then show), it is modal while shown: a press on a cell picks
// that wave (written to the oscillator's wave index as one gesture) and closes the popup; a
// press outside the panel, or Escape, closes it without a change; a press elsewhere on the
// panel does nothing. User-interface thread only.
class WaveSelector final : public vellum::xModalPanel {
public:
    static constexpr int kWidth = 429;
    static constexpr int kHeight = 343;
    static constexpr int kColumns = 8;
    static constexpr int kRows = 12;
    static constexpr vellum::xSize kCell{52, 20};
    static constexpr vellum::xPoint kGrid{6, 96};      // from the panel's top-left corner
    static constexpr vellum::xPoint kWavePlot{27, 26}; // 128 x 65
    static constexpr vellum::xPoint kSpectrumPlot{175, 26};
    static constexpr vellum::xSize kPlot{128, 65};

    // Hidden and disabled until opened. Holds references to the font and the thumbnails.
    WaveSelector(vellum::xIntView& waveView, vellum::xFont* font, vellum::xBitmap* thumbnails, vellum::xPoint position);

    // Forgets the hovered and the picked wave, then opens as a modal panel.
    void show(bool redraw) override;
    void draw(vellum::xDrawContext& context) override;
    void onLeftDown(const vellum::xMouseEvent& event) override;
    void onMouseMove(const vellum::xMouseEvent& event) override;

    // The wave index of the cell at a window point; -1 outside the panel or the grid.
    int hitTest(int x, int y) const;
    int hovered() const { return hovered_; }
    int selected() const { return selected_; }
    // The top-left corner of the cell of a wave.
    vellum::xPoint cellOf(int wave) const;

    // The plots as last drawn: the wave plot's row of each sample (-1: blank), and the
    // spectrum's bar height of each harmonic 1..63 (0: blank).
    const std::array<int, 128>& waveRows() const { return waveRows_; }
    const std::array<int, 63>& barHeights() const { return bars_; }

private:
    static constexpr int kNotDrawn = -2; // the plots must be made again

    void makePlots();
    void drawPlots(vellum::xDrawContext& context) const;

    vellum::xIntView& waveView_;
    vellum::xSharedRef<vellum::xFont> font_;
    vellum::xSharedRef<vellum::xBitmap> thumbnails_;
    int hovered_ = -1;
    int selected_ = -1;
    int plotted_ = kNotDrawn;
    std::array<int, 128> waveRows_{};
    std::array<int, 63> bars_{};
};

} // namespace ostrel
