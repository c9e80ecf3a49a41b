#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/subject.h"

namespace vellum {

// A bitmap font: one strip of 8-bit coverage holding the glyphs of the character codes 0 to
// 255 side by side in code order, with per-character glyph widths, pen advances and a
// 256 x 256 kerning table. The strip height is the line height. Reference counted.
class xFont final : public xRefCounted {
public:
    // Builds a font from its tables in file order: coverage (stripWidth x glyphHeight bytes),
    // glyph widths and advances (256 little-endian 32-bit integers each), kerning (65536
    // signed bytes, [first x 256 + second]). Short or null tables read as zeros past their
    // end. Glyph widths are bounded so that every glyph lies inside the strip (a negative
    // width counts as 0, a glyph reaching past the strip's end is cut at it), and advances
    // are bounded to +-kMaxAdvance, so drawing and measuring never leave the tables.
    // Returns null for a negative size or a strip of more than 2^26 pixels. The new font has a
    // count of 0: it is the caller's until a holder takes it, and goes with the last holder.
    static xFont* create(int stripWidth, int glyphHeight, const std::uint8_t* coverage, std::size_t coverageSize,
                         const std::uint8_t* glyphWidths, std::size_t glyphWidthsSize, const std::uint8_t* advances,
                         std::size_t advancesSize, const std::uint8_t* kerning, std::size_t kerningSize);

    static constexpr int kMaxAdvance = 4096;

    int stripWidth() const { return stripWidth_; }
    // Height of every glyph, and the distance between lines.
    int glyphHeight() const { return glyphHeight_; }
    // Coverage 0..255 at strip column x, row y; both must lie inside the strip.
    std::uint8_t coverageAt(int x, int y) const
    {
        return coverage_[static_cast<std::size_t>(y) * static_cast<std::size_t>(stripWidth_)
                         + static_cast<std::size_t>(x)];
    }
    int glyphWidth(std::uint8_t c) const { return glyphWidths_[c]; }
    // Strip column where the glyph of c starts: the sum of the widths of all lower codes.
    int glyphOffset(std::uint8_t c) const { return glyphOffsets_[c]; }
    int advance(std::uint8_t c) const { return advances_[c]; }
    // Pixels added to the pen between first and second.
    int kerning(std::uint8_t first, std::uint8_t second) const
    {
        return kerning_[static_cast<std::size_t>(first) * 256 + second];
    }

private:
    xFont(int stripWidth, int glyphHeight);
    ~xFont() override = default;

    int stripWidth_;
    int glyphHeight_;
    std::vector<std::uint8_t> coverage_;
    std::array<int, 256> glyphWidths_{};
    std::array<int, 256> glyphOffsets_{};
    std::array<int, 256> advances_{};
    std::vector<std::int8_t> kerning_;
};

} // namespace vellum
