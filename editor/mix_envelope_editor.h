#pragma once

#include <array>

#include "editor/breakpoint_editor.h"
#include "gui/font.h"
#include "gui/shared_ref.h"

namespace ostrel {

// The square pad of the oscillator-mix envelope: its five (X, Y) points, each coordinate
// -1..1, placed 64 pixels per unit around the pad's centre (Y grows downwards), inside a white
// square with a grey cross and the oscillators' letters where each plays alone: A left, B
// below, C right, D above.
//
// A drag moves a point by 1/64 a pixel in X and Y, each clamped to -1..1 and written as the
// normalized value 0.5 + 0.5 x coordinate. The readout shows "X,Y".
class MixEnvelopeEditor final : public BreakpointEditor {
public:
    static constexpr int kCentreOffset = 74; // from the widget's top-left corner
    static constexpr int kHalfSize = 64;     // pixels from the centre to the square's edge

    // xs, ys: the normalized views of the five points' coordinates. Starts showing X = -1,
    // 0.2, 0.3, 0, 0 and Y = 0, -0.4, 0.3, 0.7, -0.2 until the views report.
    MixEnvelopeEditor(const std::array<vellum::xFloatView*, 5>& xs, const std::array<vellum::xFloatView*, 5>& ys,
                      EnvelopeReadout* readout, const vellum::xRect& rect,
                      const std::array<vellum::xBitmap*, kPointCount>& markers, vellum::xFont* font);

    // Point k's coordinates, -1..1.
    float pointXValue(int k) const { return 2.0f * cached(k) - 1.0f; }
    float pointYValue(int k) const { return 2.0f * cached(kPointCount + k) - 1.0f; }
    float pointX(int k) const;
    float pointY(int k) const;

protected:
    int pointAt(vellum::xPoint mouse) const override;
    void startDrag(int point) override;
    void dragTo(int point, double dx, double dy) override;
    std::vector<int> viewsOf(int point) const override;
    std::string readoutText(int point) const override;
    vellum::xPoint readoutAnchor(int point) const override;
    bool markerAt(const PlayPositions::Snapshot& standing, float& x, float& y) const override;
    void drawGraph(vellum::xDrawContext& context) override;

private:
    float centreX() const { return static_cast<float>(getRect().x + kCentreOffset); }
    float centreY() const { return static_cast<float>(getRect().y + kCentreOffset); }

    vellum::xSharedRef<vellum::xFont> font_;
    float startX_ = 0.0f;
    float startY_ = 0.0f;
};

} // namespace ostrel
