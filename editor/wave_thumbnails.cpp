#include "editor/wave_thumbnails.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/wave_bank.h"

namespace ostrel {

namespace {

constexpr int kCurvePoints = 1024; // 32 points a pixel column
constexpr int kGroups = kRawWaveLength / 4;
constexpr double kCodesPerRow = 241.0; // codes 0..4095 over rows 1..18

// Grey levels with a gamma of 1.4, so faint edges of the curve stay visible.
std::array<std::uint8_t, 256> greyLevels()
{
    std::array<std::uint8_t, 256> g{};
    for (int n = 0; n < 256; ++n)
        g[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(255.5 * std::pow(n / 255.0, 1.0 / 1.4));
    return g;
}

// One thumbnail's intensities 0..1, row by row.
std::vector<double> thumbnailIntensity(const std::int16_t* samples)
{
    std::array<double, kGroups> sums{};
    for (int j = 0; j < kGroups; ++j) {
        for (int i = 0; i < 4; ++i)
            sums[static_cast<std::size_t>(j)] += samples[4 * j + i];
    }
    std::vector<double> intensity(static_cast<std::size_t>(kThumbnailWidth * kThumbnailHeight), 0.0);
    for (int u = 0; u < kCurvePoints; ++u) {
        const int j = u / 32;
        const double f = (u % 32) / 32.0;
        const double code = std::trunc(
            0.25
            * ((1.0 - f) * sums[static_cast<std::size_t>(j)] + f * sums[static_cast<std::size_t>((j + 1) % kGroups)]));
        const double x = u / 32.0;
        const double y = 1.0 + (4095.0 - code) / kCodesPerRow;
        const int top = std::max(0, static_cast<int>(std::floor(y - 1.0)));
        const int bottom = std::min(kThumbnailHeight - 1, static_cast<int>(std::ceil(y + 1.0)));
        const int left = std::max(0, static_cast<int>(std::floor(x - 1.0)));
        const int right = std::min(kThumbnailWidth - 1, static_cast<int>(std::ceil(x + 1.0)));
        for (int py = top; py <= bottom; ++py) {
            for (int px = left; px <= right; ++px) {
                const double value = 1.0 - std::hypot(px - x, py - y);
                double& pixel = intensity[static_cast<std::size_t>(py * kThumbnailWidth + px)];
                pixel = std::max(pixel, value);
            }
        }
    }
    return intensity;
}

} // namespace

vellum::xBitmap* renderWaveThumbnails(const WaveBank& bank)
{
    const std::array<std::uint8_t, 256> grey = greyLevels();
    const std::size_t frameBytes = static_cast<std::size_t>(kThumbnailWidth * kThumbnailHeight) * 4;
    std::vector<std::uint8_t> rgba(frameBytes * kWaveCount);
    for (int wave = 0; wave < kWaveCount; ++wave) {
        const std::vector<double> intensity = thumbnailIntensity(bank.waveData(wave));
        std::uint8_t* p = rgba.data() + frameBytes * static_cast<std::size_t>(wave);
        for (double value : intensity) {
            const auto g = grey[static_cast<std::size_t>(std::clamp(static_cast<int>(255.4 * value), 0, 255))];
            p[0] = p[1] = p[2] = g;
            p[3] = 255;
            p += 4;
        }
    }
    return vellum::xBitmap::create(32, kThumbnailWidth, kThumbnailHeight * kWaveCount, rgba.data(), rgba.size());
}

} // namespace ostrel
