#include "preview.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "png_writer.h"

namespace artgen {

namespace {

Canvas crop(const Canvas& source, int x, int y, int w, int h)
{
    Canvas c(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            c.blendPixel(i, j, source.pixel(x + i, y + j), 1.0);
    return c;
}

const Artwork& find(const std::vector<Artwork>& art, const std::string& name)
{
    for (const Artwork& a : art)
        if (a.name == name)
            return a;
    throw std::runtime_error("no artwork " + name);
}

// Frames of a strip side by side in rows, with a gap, on the editor's background.
Canvas sheet(const Artwork& a, int perRow)
{
    const int frameH = a.frameHeight > 0 ? a.frameHeight : a.picture.height();
    const int frames = a.picture.height() / frameH;
    const int columns = std::min(perRow, frames);
    const int rows = (frames + columns - 1) / columns;
    const int gap = 4;
    Canvas c(columns * (a.picture.width() + gap) + gap, rows * (frameH + gap) + gap);
    c.clear(editorBackground());
    for (int f = 0; f < frames; ++f)
        c.draw(crop(a.picture, 0, f * frameH, a.picture.width(), frameH), gap + (f % columns) * (a.picture.width() + gap),
            gap + (f / columns) * (frameH + gap));
    return c;
}

void fontSpecimen(const std::string& dir, const FontStrip& font)
{
    const int cellW = 16;
    const int cellH = 18;
    Canvas c(16 * cellW + 8, 16 * cellH + 8 + 6 * 16 + 8);
    c.clear(editorBackground());
    const Colour white = rgb(255, 255, 255);
    const Colour dim = rgb(90, 90, 90);
    for (int code = 0; code < 256; ++code) {
        const int x = 4 + (code % 16) * cellW;
        const int y = 4 + (code / 16) * cellH;
        c.fill([=](double px, double py) { return px >= x && px < x + cellW - 1 && py >= y && py < y + cellH - 1; }, rgb(56, 56, 56));
        // The glyph's cell: its width in the strip and the line height.
        c.fill([&font, code, x, y](double px, double py) {
            return px >= x + 1 && px < x + 1 + font.widths[static_cast<std::size_t>(code)] && py >= y + 2 && py < y + 2 + font.height;
        },
            dim, 0.6);
        font.drawText(c, std::string(1, static_cast<char>(code)), x + 1, y + 2, white);
    }
    int y = 16 * cellH + 12;
    const std::string lines[] = {
        "The quick brown fox jumps over the lazy dog. 0123456789",
        latin1("AVATAR To Te P. F, Yo LT r. ÅÉÎÕÜ àéîõü ÿ ß ¿¡ ±×÷ µ"),
        "Cutoff  Reso  EnvAmt  Mode  Volume  Voices  Chorus",
        "-12.5 dB   440.00 Hz   Loop:   Repeat:   LFO1 LFO2",
    };
    for (const std::string& line : lines) {
        font.drawText(c, line, 6, y, white);
        y += 16;
    }
    // The same pair line without kerning, under the kerned one, to see the difference.
    FontStrip plain = font;
    std::fill(plain.kerning.begin(), plain.kerning.end(), std::int8_t{0});
    plain.drawText(c, latin1("AVATAR To Te P. F, Yo LT r.  (no kerning)"), 6, y, rgb(200, 200, 200));
    writePng(dir + "/font_specimen.png", c, 1);
    writePng(dir + "/font_specimen_x3.png", c, 3);
}

// The matrix panel as the editor shows it: picture, an amount knob per row, the cell
// switches (some on), a label row under it.
void matrixInPlace(const std::string& dir, const std::vector<Artwork>& art)
{
    const Artwork& matrix = find(art, "modmatrix");
    const Artwork& knob = find(art, "knob_anim");
    const Artwork& cell = find(art, "modmatrixbutton");
    Canvas c(matrix.picture.width(), matrix.picture.height());
    c.draw(matrix.picture, 0, 0);
    const int values[7] = {0, 20, 32, 48, 64, 40, 10};
    for (int r = 0; r < 7; ++r) {
        c.draw(crop(knob.picture, 0, values[r] * 18, 18, 18), 76, 44 + 18 * r);
        for (int col = 0; col < 15; ++col) {
            if (kModCellMask[r][col] == ' ')
                continue;
            const int on = (r * 7 + col * 3) % 5 == 0 ? 1 : 0;
            c.draw(crop(cell.picture, 0, on * 12, 12, 12), 97 + 18 * col, 47 + 18 * r);
        }
    }
    writePng(dir + "/modmatrix_in_place.png", c, 1);
    writePng(dir + "/modmatrix_in_place_x2.png", c, 2);
}

// The small pictures side by side, enlarged, to judge single pixels.
void smallParts(const std::string& dir, const std::vector<Artwork>& art)
{
    const char* names[] = {"circle0", "circle1", "circle2", "circle3", "circle4", "modmatrixbutton", "button", "debug",
        "looptext", "repeattext"};
    const int gap = 3;
    Canvas c(4 * (41 + gap) + gap + 40, 150);
    c.clear(editorBackground());
    int x = gap, y = gap, rowHeight = 0;
    for (const char* name : names) {
        const Artwork& a = find(art, name);
        const int frameH = a.frameHeight > 0 ? a.frameHeight : a.picture.height();
        const int frames = a.picture.height() / frameH;
        for (int f = 0; f < frames; ++f) {
            if (x + a.picture.width() > c.width()) {
                x = gap;
                y += rowHeight + gap;
                rowHeight = 0;
            }
            c.draw(crop(a.picture, 0, f * frameH, a.picture.width(), frameH), x, y);
            x += a.picture.width() + gap;
            rowHeight = std::max(rowHeight, frameH);
        }
    }
    writePng(dir + "/small_parts_x5.png", c, 5);
}

} // namespace

void writePreviews(const std::string& dir, const FontStrip& font, const std::vector<Artwork>& art)
{
    for (const Artwork& a : art) {
        const int perRow = a.name == "knob2_anim" ? 16 : (a.name == "knob_anim" ? 13 : 8);
        const Canvas s = sheet(a, perRow);
        const int zoom = s.width() > 300 ? 2 : 4;
        writePng(dir + "/" + a.name + ".png", s, 1);
        writePng(dir + "/" + a.name + "_x" + std::to_string(zoom) + ".png", s, zoom);
    }
    fontSpecimen(dir, font);
    matrixInPlace(dir, art);
    smallParts(dir, art);
}

} // namespace artgen
