#include "font_strip.h"

#include <cmath>
#include <stdexcept>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace artgen {

namespace {

bool isPrintable(int code)
{
    return (code >= 32 && code < 127) || code >= 160;
}

// Rounds a 26.6 value to whole pixels, halves away from zero.
int roundPixels(long v)
{
    return static_cast<int>(v >= 0 ? (v + 32) / 64 : -((-v + 32) / 64));
}

struct FreeType {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeType()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

} // namespace

int FontStrip::textWidth(std::string_view text) const
{
    int w = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(text[i]);
        if (i > 0)
            w += kerning[static_cast<std::size_t>(static_cast<std::uint8_t>(text[i - 1])) * 256 + c];
        w += i + 1 < text.size() ? advances[c] : widths[c];
    }
    return w;
}

void FontStrip::drawText(Canvas& canvas, std::string_view text, int x, int y, Colour colour) const
{
    int pen = x;
    std::uint8_t previous = 0;
    for (char ch : text) {
        const auto c = static_cast<std::uint8_t>(ch);
        if (previous != 0)
            pen += kerning[static_cast<std::size_t>(previous) * 256 + c];
        for (int row = 0; row < height; ++row) {
            for (int col = 0; col < widths[c]; ++col) {
                const int a = coverage[static_cast<std::size_t>(row) * static_cast<std::size_t>(stripWidth)
                                       + static_cast<std::size_t>(offsets[c] + col)];
                canvas.blendPixel(pen + col, y + row, colour, a / 255.0);
            }
        }
        pen += advances[c];
        previous = c;
    }
}

FontStrip renderFontStrip(const std::string& fontPath, int lineHeight)
{
    FreeType ft;
    if (FT_Init_FreeType(&ft.library) || FT_New_Face(ft.library, fontPath.c_str(), 0, &ft.face))
        throw std::runtime_error("cannot open font " + fontPath);
    FT_Face face = ft.face;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE))
        throw std::runtime_error("font has no Unicode character map");

    FontStrip strip;
    for (int px = 6; px <= 40 && strip.pixelSize == 0; ++px) {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
        if (roundPixels(face->size->metrics.height) == lineHeight)
            strip.pixelSize = px;
    }
    if (strip.pixelSize == 0)
        throw std::runtime_error("no pixel size gives the wanted line height");
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(strip.pixelSize));
    const int baseline = roundPixels(face->size->metrics.ascender);
    strip.height = lineHeight;

    // Render every glyph into its own cell first; the strip is laid out once all widths are known.
    std::array<std::vector<std::uint8_t>, 256> cells;
    for (int code = 0; code < 256; ++code) {
        if (!isPrintable(code))
            continue;
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT)
            || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL))
            throw std::runtime_error("cannot render character " + std::to_string(code));
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        strip.advances[static_cast<std::size_t>(code)] = roundPixels(g->advance.x);
        const int width = std::max(0, g->bitmap_left + static_cast<int>(bm.width));
        strip.widths[static_cast<std::size_t>(code)] = width;
        auto& cell = cells[static_cast<std::size_t>(code)];
        cell.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(lineHeight), 0);
        for (unsigned r = 0; r < bm.rows; ++r) {
            for (unsigned col = 0; col < bm.width; ++col) {
                const int value = bm.buffer[static_cast<long>(r) * bm.pitch + col];
                const int x = g->bitmap_left + static_cast<int>(col);
                const int y = baseline - g->bitmap_top + static_cast<int>(r);
                if (x < 0 || y < 0 || y >= lineHeight) {
                    if (value > 0) {
                        ++strip.clippedPixels;
                        if (strip.clippedCodes.empty() || strip.clippedCodes.back() != code)
                            strip.clippedCodes.push_back(code);
                    }
                    continue;
                }
                cell[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                    static_cast<std::uint8_t>(value);
            }
        }
    }

    int offset = 0;
    for (std::size_t c = 0; c < 256; ++c) {
        strip.offsets[c] = offset;
        offset += strip.widths[c];
    }
    strip.stripWidth = offset;
    strip.coverage.assign(static_cast<std::size_t>(offset) * static_cast<std::size_t>(lineHeight), 0);
    for (std::size_t c = 0; c < 256; ++c) {
        for (int y = 0; y < lineHeight; ++y) {
            for (int x = 0; x < strip.widths[c]; ++x) {
                strip.coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(offset)
                               + static_cast<std::size_t>(strip.offsets[c] + x)] =
                    cells[c][static_cast<std::size_t>(y) * static_cast<std::size_t>(strip.widths[c])
                             + static_cast<std::size_t>(x)];
            }
        }
    }

    // The face's own pair kerning, unhinted and rounded to whole pixels: at this size hinted
    // kerning rounds almost every pair away.
    if (!FT_HAS_KERNING(face))
        throw std::runtime_error("font has no kerning table");
    for (int first = 0; first < 256; ++first) {
        if (!isPrintable(first))
            continue;
        const FT_UInt left = FT_Get_Char_Index(face, static_cast<FT_ULong>(first));
        for (int second = 0; second < 256; ++second) {
            if (!isPrintable(second))
                continue;
            FT_Vector k{};
            FT_Get_Kerning(face, left, FT_Get_Char_Index(face, static_cast<FT_ULong>(second)), FT_KERNING_UNFITTED, &k);
            const int pixels = std::clamp(roundPixels(k.x), -128, 127);
            strip.kerning[static_cast<std::size_t>(first) * 256 + static_cast<std::size_t>(second)] =
                static_cast<std::int8_t>(pixels);
            if (pixels != 0)
                ++strip.kerningPairs;
        }
    }
    return strip;
}

std::string latin1(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else if ((b & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const int cp = ((b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
            out.push_back(cp < 256 ? static_cast<char>(cp) : '?');
            ++i;
        } else {
            out.push_back('?');
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

} // namespace artgen
