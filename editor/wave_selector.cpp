#include "editor/wave_selector.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/fft.h"
#include "dsp/wave_bank.h"
#include "editor/wave_thumbnails.h"
#include "gui/draw.h"
#include "gui/draw_line.h"
#include "gui/draw_text.h"

namespace ostrel {

using namespace vellum;

namespace {

constexpr xColour kPanel{0, 0, 0};
constexpr xColour kNumber{200, 200, 200};
constexpr xColour kGridLine{96, 96, 96};
constexpr xColour kHoverFrame{192, 192, 192};
constexpr xColour kBlankPlot{255, 255, 255};
constexpr xColour kPlotLine{255, 255, 255};
constexpr xColour kPlotAxis{70, 70, 70};

// "  32" .. "  99" one pixel further left than " 100" .. " 127", as the digits line up.
std::string waveNumber(int wave, int& shift)
{
    const int number = wave + kWaveNumberOffset;
    char text[16];
    std::snprintf(text, sizeof text, number < 100 ? " %3d" : "%3d", number);
    shift = number < 100 ? 0 : 1;
    return text;
}

} // namespace

WaveSelector::WaveSelector(xIntView& waveView, xFont* font, xBitmap* thumbnails, xPoint position)
    : xModalPanel({position.x, position.y, kWidth, kHeight}, kPanel),
      waveView_(waveView),
      font_(font),
      thumbnails_(thumbnails)
{
    waveRows_.fill(-1);
    hide(false);
    disable();
}

void WaveSelector::show(bool redraw)
{
    hovered_ = -1;
    selected_ = -1;
    plotted_ = kNotDrawn;
    xModalPanel::show(redraw);
}

int WaveSelector::hitTest(int x, int y) const
{
    const xRect r = getRect();
    const xRect grid{r.x + kGrid.x, r.y + kGrid.y, kColumns * kCell.width, kRows * kCell.height};
    if (!r.contains({x, y}) || !grid.contains({x, y}))
        return -1;
    const int column = (x - grid.x) / kCell.width;
    const int row = (y - grid.y) / kCell.height;
    return column * kRows + row;
}

xPoint WaveSelector::cellOf(int wave) const
{
    const xRect r = getRect();
    return {r.x + kGrid.x + (wave / kRows) * kCell.width, r.y + kGrid.y + (wave % kRows) * kCell.height};
}

void WaveSelector::onMouseMove(const xMouseEvent& event)
{
    const int wave = hitTest(event.x, event.y);
    if (wave < 0 || wave == hovered_)
        return;
    hovered_ = wave;
    invalidate();
}

void WaveSelector::onLeftDown(const xMouseEvent& event)
{
    const int wave = hitTest(event.x, event.y);
    if (wave < 0) {
        xModalPanel::onLeftDown(event); // outside closes, elsewhere on the panel nothing
        return;
    }
    selected_ = wave;
    hide(true);
    markHandled();
    const xGestureScope gesture(waveView_);
    waveView_.set(wave);
}

void WaveSelector::makePlots()
{
    plotted_ = hovered_;
    waveRows_.fill(-1);
    bars_.fill(0);
    if (hovered_ < 0 || hovered_ >= kWaveCount)
        return;
    const std::int16_t* samples = waveBank().waveData(hovered_);
    // The cycle over the box's height, higher codes higher up, as the thumbnails show it.
    for (int n = 0; n < kRawWaveLength; ++n) {
        const int code = std::clamp<int>(samples[n], 0, 4095);
        waveRows_[static_cast<std::size_t>(n)] =
            static_cast<int>(std::lround((4095 - code) * (kPlot.height - 1) / 4095.0));
    }
    std::vector<float> signal(kRawWaveLength);
    std::vector<float> magnitude(kRawWaveLength / 2);
    for (int n = 0; n < kRawWaveLength; ++n)
        signal[static_cast<std::size_t>(n)] = (static_cast<float>(samples[n]) - 2048.0f) / 2048.0f;
    magnitudeSpectrum(signal.data(), magnitude.data(), kRawWaveLength);
    for (int k = 1; k < kRawWaveLength / 2; ++k) {
        const float m = magnitude[static_cast<std::size_t>(k)];
        const int height = std::isfinite(m) ? std::min(64, static_cast<int>(64.0f * std::max(m, 0.0f))) : 0;
        bars_[static_cast<std::size_t>(k - 1)] = height + 1;
    }
}

void WaveSelector::drawPlots(xDrawContext& context) const
{
    xSurface& surface = context.surface();
    const xRect r = getRect();
    const xRect wave{r.x + kWavePlot.x, r.y + kWavePlot.y, kPlot.width, kPlot.height};
    const xRect spectrum{r.x + kSpectrumPlot.x, r.y + kSpectrumPlot.y, kPlot.width, kPlot.height};
    if (plotted_ < 0) {
        fillRect(surface, wave, kBlankPlot);
        fillRect(surface, spectrum, kBlankPlot);
        return;
    }
    fillRect(surface, wave, kPanel);
    const int middle = wave.y + kPlot.height / 2;
    drawLine(surface, {wave.x, middle}, {wave.right() - 1, middle}, kPlotAxis);
    for (int n = 0; n + 1 < kRawWaveLength; ++n) {
        drawLine(surface, {wave.x + n, wave.y + waveRows_[static_cast<std::size_t>(n)]},
                 {wave.x + n + 1, wave.y + waveRows_[static_cast<std::size_t>(n + 1)]}, kPlotLine);
    }
    fillRect(surface, spectrum, kPanel);
    for (std::size_t k = 0; k < bars_.size(); ++k) {
        const int height = bars_[k];
        fillRect(surface, {spectrum.x + 2 * static_cast<int>(k), spectrum.bottom() - height, 1, height}, kPlotLine);
    }
}

void WaveSelector::draw(xDrawContext& context)
{
    const xRect r = getRect();
    if (!context.touches(r))
        return;
    if (hovered_ != plotted_)
        makePlots();
    xSurface& surface = context.surface();
    fillRect(surface, r, kPanel);

    const xSize thumb{kThumbnailWidth, kThumbnailHeight};
    for (int wave = 0; wave < kWaveCount; ++wave) {
        const xPoint cell = cellOf(wave);
        if (!context.touches({cell.x, cell.y, kCell.width, kCell.height}))
            continue;
        if (thumbnails_)
            drawBitmap(*thumbnails_, surface, {0, wave * kThumbnailHeight}, {cell.x + 19, cell.y + 1}, thumb);
        int shift = 0;
        const std::string number = waveNumber(wave, shift);
        if (font_)
            drawText(*font_, surface, number, {cell.x + shift, cell.y + 5}, kNumber, r);
    }
    const int left = r.x + kGrid.x;
    const int top = r.y + kGrid.y;
    const int right = left + kColumns * kCell.width;
    const int bottom = top + kRows * kCell.height;
    for (int row = 0; row <= kRows; ++row)
        drawLine(surface, {left, top + row * kCell.height}, {right, top + row * kCell.height}, kGridLine);
    for (int column = 0; column <= kColumns; ++column)
        drawLine(surface, {left + column * kCell.width, top}, {left + column * kCell.width, bottom}, kGridLine);

    if (hovered_ >= 0 && hovered_ < kWaveCount) {
        const xPoint cell = cellOf(hovered_);
        frameRect(surface, {cell.x, cell.y, kCell.width + 1, kCell.height + 1}, kHoverFrame);
    }
    drawPlots(context);
    if (hovered_ >= 0 && hovered_ < kWaveCount && font_) {
        // The name without the number it starts with ("32 Sine" -> "Sine").
        const int number = hovered_ + kWaveNumberOffset;
        const std::string name =
            std::string(waveNames[static_cast<std::size_t>(hovered_)]).substr(number < 100 ? 3 : 4);
        char line[64];
        std::snprintf(line, sizeof line, number < 100 ? " %3d %s" : "%3d %s", number, name.c_str());
        drawText(*font_, surface, line, {r.x + 26, r.y + 10}, kNumber, r);
    }
}

} // namespace ostrel
