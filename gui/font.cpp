#include "gui/font.h"

#include <algorithm>

namespace vellum {

namespace {

// Little-endian 32-bit integer number i of a table; 0 when the table ends before it.
std::int32_t int32At(const std::uint8_t* table, std::size_t size, std::size_t i)
{
    if (!table || size < 4 || i > size / 4 - 1)
        return 0;
    const std::uint8_t* p = table + i * 4;
    const std::uint32_t u =
        std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    return static_cast<std::int32_t>(u);
}

} // namespace

xFont::xFont(int stripWidth, int glyphHeight)
    : xRefCounted(0),
      stripWidth_(stripWidth),
      glyphHeight_(glyphHeight),
      coverage_(static_cast<std::size_t>(stripWidth) * static_cast<std::size_t>(glyphHeight), 0),
      kerning_(256 * 256, 0)
{ }

xFont* xFont::create(int stripWidth, int glyphHeight, const std::uint8_t* coverage, std::size_t coverageSize,
                     const std::uint8_t* glyphWidths, std::size_t glyphWidthsSize, const std::uint8_t* advances,
                     std::size_t advancesSize, const std::uint8_t* kerning, std::size_t kerningSize)
{
    if (stripWidth < 0 || glyphHeight < 0 || std::int64_t{stripWidth} * glyphHeight > (std::int64_t{1} << 26))
        return nullptr;

    auto* font = new xFont(stripWidth, glyphHeight);
    if (coverage)
        std::copy_n(coverage, std::min(coverageSize, font->coverage_.size()), font->coverage_.begin());

    int offset = 0;
    for (std::size_t c = 0; c < 256; ++c) {
        const std::int64_t wanted = int32At(glyphWidths, glyphWidthsSize, c);
        const int width = static_cast<int>(std::clamp<std::int64_t>(wanted, 0, stripWidth - offset));
        font->glyphWidths_[c] = width;
        font->glyphOffsets_[c] = offset;
        offset += width;
        font->advances_[c] = std::clamp(int32At(advances, advancesSize, c), -kMaxAdvance, kMaxAdvance);
    }
    if (kerning) {
        const std::size_t n = std::min(kerningSize, font->kerning_.size());
        for (std::size_t i = 0; i < n; ++i)
            font->kerning_[i] = static_cast<std::int8_t>(kerning[i]);
    }
    return font;
}

} // namespace vellum
