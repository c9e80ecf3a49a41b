#include "editor/mix_envelope_editor.h"

#include <algorithm>
#include <cmath>

#include "editor/editor_style.h"
#include "gui/draw.h"
#include "gui/draw_line.h"
#include "gui/draw_text.h"
#include "gui/formatters.h"

namespace ostrel {

using namespace vellum;

namespace {

std::vector<xFloatView*> viewList(const std::array<xFloatView*, 5>& xs, const std::array<xFloatView*, 5>& ys)
{
    std::vector<xFloatView*> views(xs.begin(), xs.end());
    views.insert(views.end(), ys.begin(), ys.end());
    return views;
}

// The start positions as normalized values (0.5 + 0.5 x coordinate).
const std::vector<float> kStart = {0.0f, 0.6f, 0.65f, 0.5f, 0.5f, 0.5f, 0.3f, 0.65f, 0.85f, 0.4f};

} // namespace

MixEnvelopeEditor::MixEnvelopeEditor(const std::array<xFloatView*, 5>& xs, const std::array<xFloatView*, 5>& ys,
                                     EnvelopeReadout* readout, const xRect& rect,
                                     const std::array<xBitmap*, kPointCount>& markers, xFont* font)
    : BreakpointEditor(rect, readout, viewList(xs, ys), kStart, markers),
      font_(font)
{ }

float MixEnvelopeEditor::pointX(int k) const
{
    return centreX() + kHalfSize * pointXValue(k);
}

float MixEnvelopeEditor::pointY(int k) const
{
    return centreY() + kHalfSize * pointYValue(k);
}

int MixEnvelopeEditor::pointAt(xPoint mouse) const
{
    for (int k = kPointCount - 1; k >= 0; --k) {
        if (std::fabs(static_cast<float>(mouse.x) - pointX(k)) < kPickDistance
            && std::fabs(static_cast<float>(mouse.y) - pointY(k)) < kPickDistance)
            return k;
    }
    return -1;
}

void MixEnvelopeEditor::startDrag(int point)
{
    startX_ = pointXValue(point);
    startY_ = pointYValue(point);
}

void MixEnvelopeEditor::dragTo(int point, double dx, double dy)
{
    const double x = std::clamp(static_cast<double>(startX_) + dx / kHalfSize, -1.0, 1.0);
    const double y = std::clamp(static_cast<double>(startY_) + dy / kHalfSize, -1.0, 1.0);
    write(point, static_cast<float>(0.5 + 0.5 * x));
    write(kPointCount + point, static_cast<float>(0.5 + 0.5 * y));
}

std::vector<int> MixEnvelopeEditor::viewsOf(int point) const
{
    return {point, kPointCount + point};
}

std::string MixEnvelopeEditor::readoutText(int point) const
{
    const DecimalFormatter twoDecimals(2);
    return twoDecimals.format(pointXValue(point)) + "," + twoDecimals.format(pointYValue(point));
}

xPoint MixEnvelopeEditor::readoutAnchor(int point) const
{
    return {static_cast<int>(std::lround(pointX(point))), static_cast<int>(std::lround(pointY(point)))};
}

bool MixEnvelopeEditor::markerAt(const PlayPositions::Snapshot& standing, float& x, float& y) const
{
    if (standing.mix.stage < 0 || standing.mix.stage > 4)
        return false; // off (or nonsense): no marker
    x = centreX() + kHalfSize * standing.mixX;
    y = centreY() + kHalfSize * standing.mixY;
    return true;
}

void MixEnvelopeEditor::drawGraph(xDrawContext& context)
{
    xSurface& surface = context.surface();
    const xRect r = getRect();
    const int cx = r.x + kCentreOffset;
    const int cy = r.y + kCentreOffset;
    fillRect(surface, r, style::kWell);
    drawLine(surface, {cx - kHalfSize, cy}, {cx + kHalfSize, cy}, style::kCross);
    drawLine(surface, {cx, cy - kHalfSize}, {cx, cy + kHalfSize}, style::kCross);
    frameRect(surface, {cx - kHalfSize, cy - kHalfSize, 2 * kHalfSize + 1, 2 * kHalfSize + 1}, style::kText);

    if (font_) {
        // Each letter centred in the strip between the square and the widget's edge.
        const int h = font_->glyphHeight();
        const auto letter = [&](const char* text, int x, int y) {
            drawText(*font_, surface, text, {x - textWidth(*font_, text) / 2, y}, style::kText, r);
        };
        const int side = (r.right() - (cx + kHalfSize)) / 2;
        letter("A", cx - kHalfSize - side, cy - h / 2);
        letter("B", cx, cy + kHalfSize + 1);
        letter("C", cx + kHalfSize + side + 1, cy - h / 2);
        letter("D", cx, cy - kHalfSize - h + 1);
    }

    for (int k = 0; k + 1 < kPointCount; ++k) {
        drawLine(surface, readoutAnchor(k), readoutAnchor(k + 1), style::kGraph);
    }
    for (int k = 0; k < kPointCount; ++k)
        drawPoint(context, k, pointX(k), pointY(k));
}

} // namespace ostrel
