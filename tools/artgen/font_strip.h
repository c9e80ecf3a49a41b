#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"

namespace artgen {

// A bitmap font in the toolkit's form: the glyphs of the Latin-1 codes 0..255 side by side
// in one strip of 8-bit coverage, with glyph widths, pen advances and kerning.
struct FontStrip {
    int stripWidth = 0;
    int height = 0;
    int pixelSize = 0;
    std::vector<std::uint8_t> coverage; // stripWidth x height
    std::array<int, 256> widths{};
    std::array<int, 256> offsets{};
    std::array<int, 256> advances{};
    std::vector<std::int8_t> kerning = std::vector<std::int8_t>(256 * 256, 0);
    // Glyph pixels that fell outside the cell (above the line, below it, or left of the pen).
    int clippedPixels = 0;
    std::vector<int> clippedCodes;
    int kerningPairs = 0;

    int textWidth(std::string_view text) const;
    // Draws one line the way the toolkit does: glyph at the pen, kerning between characters.
    void drawText(Canvas& canvas, std::string_view text, int x, int y, Colour colour) const;
};

// Renders the strip from a TrueType face at the smallest pixel size whose line height (the
// face's line spacing at that size) is `lineHeight` pixels; the baseline lies the face's
// ascender below the top. Throws std::runtime_error on failure.
FontStrip renderFontStrip(const std::string& fontPath, int lineHeight);

// Text in Latin-1 from UTF-8 source literals (characters above U+00FF become '?').
std::string latin1(std::string_view utf8);

} // namespace artgen
