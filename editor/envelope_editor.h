#pragma once

#include <array>

#include "editor/breakpoint_editor.h"

namespace ostrel {

// Which envelope of the playing voice a level-over-time editor follows.
enum class FollowedEnvelope { amplitude, filter };

// The level-over-time graph of the filter and the amplitude envelope: five breakpoints over
// four segment times, each segment at most 100 pixels wide, the level axis 100 pixels high,
// a fixed 50-pixel sustain stretch before the release (which is drawn as the exponential
// curve it is).
//
// A drag of point k moves its level by 0.01 a pixel upwards and the time of the segment that
// ends at it by 0.01 a pixel to the right, each clamped to 0..1: point 0 has no time, and a
// point without a level view (the amplitude envelope's last) changes only its time. The
// readout shows "k: level@seconds" with the segment time as 0.01 x 10^(3t) seconds.
class EnvelopeEditor final : public BreakpointEditor {
public:
    static constexpr int kSustainStretch = 50;     // pixels, as drawn
    static constexpr int kSustainPickStretch = 48; // as counted for picking and the readout

    // times: the four segment times' normalized views; levels: the five levels' (null where a
    // point has no level). Starts showing levels 0, 1, 0.2, 0.8, 0 and times 0 until the views
    // report.
    EnvelopeEditor(const std::array<vellum::xFloatView*, 4>& times, const std::array<vellum::xFloatView*, 5>& levels,
                   EnvelopeReadout* readout, const vellum::xRect& rect,
                   const std::array<vellum::xBitmap*, kPointCount>& markers, FollowedEnvelope followed);

    // Point k as drawn, k = 0..4.
    float pointX(int k) const;
    float pointY(int k) const;
    float level(int k) const { return cached(k); }
    float time(int segment) const { return cached(kTimeViews + segment); }

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
    static constexpr int kTimeViews = 5; // views 0..4 are the levels, 5..8 the times

    // x of point k for picking and the readout (the sustain stretch counting 48 pixels).
    float pickX(int k) const;

    FollowedEnvelope followed_;
    float startLevel_ = 0.0f;
    float startTime_ = 0.0f;
};

} // namespace ostrel
