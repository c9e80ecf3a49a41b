#include "editor/envelope_editor.h"

#include <algorithm>
#include <cmath>

#include "editor/editor_style.h"
#include "gui/draw.h"
#include "gui/draw_line.h"
#include "gui/formatters.h"

namespace ostrel {

using namespace vellum;

namespace {

constexpr float kMargin = 5.0f;         // pixels between the widget's edges and points 0 / level 0
constexpr float kSegmentWidth = 100.0f; // pixels of a segment time of 1
constexpr float kLevelHeight = 100.0f;  // pixels of a level of 1
constexpr double kPixelStep = 0.01;     // level or time a pixel of drag

std::vector<xFloatView*> viewList(const std::array<xFloatView*, 4>& times, const std::array<xFloatView*, 5>& levels)
{
    std::vector<xFloatView*> views(levels.begin(), levels.end());
    views.insert(views.end(), times.begin(), times.end());
    return views;
}

xPoint rounded(float x, float y)
{
    return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

} // namespace

EnvelopeEditor::EnvelopeEditor(const std::array<xFloatView*, 4>& times, const std::array<xFloatView*, 5>& levels,
                               EnvelopeReadout* readout, const xRect& rect,
                               const std::array<xBitmap*, kPointCount>& markers, FollowedEnvelope followed)
    : BreakpointEditor(rect, readout, viewList(times, levels), {0.0f, 1.0f, 0.2f, 0.8f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
                       markers),
      followed_(followed)
{ }

float EnvelopeEditor::pointX(int k) const
{
    float x = static_cast<float>(getRect().x) + kMargin;
    for (int s = 0; s < std::min(k, 3); ++s)
        x += kSegmentWidth * time(s);
    if (k >= 4)
        x += static_cast<float>(kSustainStretch) + kSegmentWidth * time(3);
    return x;
}

float EnvelopeEditor::pickX(int k) const
{
    return k < 4 ? pointX(k) : pointX(3) + static_cast<float>(kSustainPickStretch) + kSegmentWidth * time(3);
}

float EnvelopeEditor::pointY(int k) const
{
    return static_cast<float>(getRect().bottom()) - kMargin - kLevelHeight * level(k);
}

int EnvelopeEditor::pointAt(xPoint mouse) const
{
    for (int k = kPointCount - 1; k >= 0; --k) {
        if (std::fabs(static_cast<float>(mouse.x) - pickX(k)) < kPickDistance
            && std::fabs(static_cast<float>(mouse.y) - pointY(k)) < kPickDistance)
            return k;
    }
    return -1;
}

void EnvelopeEditor::startDrag(int point)
{
    startLevel_ = level(point);
    startTime_ = point > 0 ? time(point - 1) : 0.0f;
}

void EnvelopeEditor::dragTo(int point, double dx, double dy)
{
    const auto levelNow = static_cast<float>(std::clamp(static_cast<double>(startLevel_) - dy * kPixelStep, 0.0, 1.0));
    const auto timeNow = static_cast<float>(std::clamp(static_cast<double>(startTime_) + dx * kPixelStep, 0.0, 1.0));
    write(point, levelNow); // nothing for a point without a level
    if (point > 0)
        write(kTimeViews + point - 1, timeNow);
}

std::vector<int> EnvelopeEditor::viewsOf(int point) const
{
    std::vector<int> views;
    if (hasView(point))
        views.push_back(point);
    if (point > 0 && hasView(kTimeViews + point - 1))
        views.push_back(kTimeViews + point - 1);
    return views;
}

std::string EnvelopeEditor::readoutText(int point) const
{
    const DecimalFormatter twoDecimals(2);
    const float t = point > 0 ? time(point - 1) : 0.0f;
    const double seconds = 0.01 * std::pow(10.0, 3.0 * static_cast<double>(t));
    return std::to_string(point) + ": " + twoDecimals.format(level(point)) + "@"
        + twoDecimals.format(static_cast<float>(seconds)) + "s";
}

xPoint EnvelopeEditor::readoutAnchor(int point) const
{
    return rounded(pickX(point), pointY(point));
}

bool EnvelopeEditor::markerAt(const PlayPositions::Snapshot& standing, float& x, float& y) const
{
    const PlayPositions::Standing& s = followed_ == FollowedEnvelope::filter ? standing.filter : standing.amp;
    if (s.stage < 0 || s.stage > 3)
        return false; // release, off (or nonsense): no marker
    const float p = std::clamp(s.position, 0.0f, 1.0f);
    x = pointX(s.stage) * (1.0f - p) + pointX(s.stage + 1) * p;
    y = pointY(s.stage) * (1.0f - p) + pointY(s.stage + 1) * p;
    return true;
}

void EnvelopeEditor::drawGraph(xDrawContext& context)
{
    xSurface& surface = context.surface();
    const xRect r = getRect();
    fillRect(surface, r, style::kWell);
    frameRect(surface, r, style::kWellEdge);
    // Level 0 and 1.
    const int bottomLine = r.bottom() - static_cast<int>(kMargin);
    drawLine(surface, {r.x + 1, bottomLine}, {r.right() - 2, bottomLine}, style::kGuide);
    drawLine(surface, {r.x + 1, bottomLine - 100}, {r.right() - 2, bottomLine - 100}, style::kGuide);

    for (int k = 0; k < 3; ++k)
        drawLine(surface, rounded(pointX(k), pointY(k)), rounded(pointX(k + 1), pointY(k + 1)), style::kGraph);
    // Sustain: level 3 held across the stretch; then the release's exponential approach to
    // level 4 in ten straight pieces, reaching it exactly at the end.
    const float sustainEnd = pointX(3) + static_cast<float>(kSustainStretch);
    drawLine(surface, rounded(pointX(3), pointY(3)), rounded(sustainEnd, pointY(3)), style::kGraph);
    xPoint from = rounded(sustainEnd, pointY(3));
    for (int j = 1; j <= 10; ++j) {
        const double shape = (1.0 - std::pow(0.05, j / 10.0)) / 0.95;
        const double x = static_cast<double>(sustainEnd) + j * 10.0 * static_cast<double>(time(3));
        const double y =
            static_cast<double>(pointY(3)) - static_cast<double>(kLevelHeight * (level(4) - level(3))) * shape;
        const xPoint to = rounded(static_cast<float>(x), static_cast<float>(y));
        drawLine(surface, from, to, style::kGraph);
        from = to;
    }
    for (int k = 0; k < kPointCount; ++k)
        drawPoint(context, k, pointX(k), pointY(k));
}

} // namespace ostrel
