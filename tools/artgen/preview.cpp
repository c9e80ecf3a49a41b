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
        c.draw(crop(a.picture, 0, f * frameH, a.picture.width(), frameH),
               gap + (f % columns) * (a.picture.width() + gap), gap + (f / columns) * (frameH + gap));
    return c;
}

void fontSpecimen(const std::string& dir, const FontStrip& font)
{
    const int cellW = 16;
    const int cellH = 18;
    Canvas c(400, 16 * cellH + 8 + 6 * 16 + 8);
    c.clear(editorBackground());
    const Colour white = rgb(255, 255, 255);
    const Colour dim = rgb(90, 90, 90);
    for (int code = 0; code < 256; ++code) {
        const int x = 4 + (code % 16) * cellW;
        const int y = 4 + (code / 16) * cellH;
        c.fill([=](double px, double py) { return px >= x && px < x + cellW - 1 && py >= y && py < y + cellH - 1; },
               rgb(56, 56, 56));
        // The glyph's cell: its width in the strip and the line height.
        c.fill(
            [&font, code, x, y](double px, double py) {
                return px >= x + 1 && px < x + 1 + font.widths[static_cast<std::size_t>(code)] && py >= y + 2
                    && py < y + 2 + font.height;
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
    const char* names[] = {"circle0",         "circle1", "circle2", "circle3",  "circle4",
                           "modmatrixbutton", "button",  "debug",   "looptext", "repeattext"};
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

// A rough picture of the whole editor screen with the art where the editor puts it, to judge
// the parts together. Envelope graphs and wave thumbnails are only suggested.
void editorMock(const std::string& dir, const FontStrip& font, const std::vector<Artwork>& art)
{
    Canvas c(760, 500);
    c.clear(editorBackground());
    const Colour white = rgb(255, 255, 255);
    const auto label = [&](const std::string& text, int x, int y) { font.drawText(c, text, x, y, white); };
    const auto frame = [&](const char* name, int f, int x, int y) {
        const Artwork& a = find(art, name);
        const int h = a.frameHeight > 0 ? a.frameHeight : a.picture.height();
        c.draw(crop(a.picture, 0, f * h, a.picture.width(), h), x, y);
    };
    const auto box = [&](int x, int y, int w, int h, Colour colour) {
        c.fill([=](double px, double py) { return px >= x && px < x + w && py >= y && py < y + h; }, colour);
    };
    // Envelope areas with a few markers.
    box(10, 20, 149, 149, rgb(52, 52, 52));
    box(10, 220, 470, 110, rgb(52, 52, 52));
    box(10, 360, 470, 110, rgb(52, 52, 52));
    for (int i = 0; i < 5; ++i) {
        frame(("circle" + std::to_string(i)).c_str(), 0, 15 + 60 * i, 310 - 15 * i);
        frame(i == 2 ? "circle2" : "circle0", 0, 15 + 70 * i, 450 - 12 * i);
    }
    for (int i = 0; i < 4; ++i)
        frame("knob_anim", 16 * i + 8, 30 + 30 * i, 170);
    label("Loop:", 10, 190);
    label("Repeat:", 100, 190);
    frame("looptext", 4, 43, 190);
    frame("repeattext", 0, 143, 190);
    for (int row = 0; row < 2; ++row) {
        const int y = row == 0 ? 333 : 473;
        label("Loop:", 30, y);
        label("Repeat:", 120, y);
        frame("looptext", row == 0 ? 0 : 2, 63, y);
        frame("repeattext", row == 0 ? 3 : 7, 163, y);
    }
    // Oscillators.
    const char* letters[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        label(letters[i], 210 + 45 * i, 35);
        box(200 + 45 * i, 50, 32, 19, rgb(30, 30, 30));
        frame("knob2_anim", 20 + 30 * i, 200 + 45 * i, 85);
        frame("knob2_anim", 64, 200 + 45 * i, 120);
    }
    label("Wave", 169, 57);
    label("Tune", 170, 92);
    label("Fine", 173, 127);
    // Matrix.
    c.draw(find(art, "modmatrix").picture, 370, 0);
    for (int r = 0; r < 7; ++r) {
        frame("knob_anim", r * 9, 370 + 76, 44 + 18 * r);
        for (int col = 0; col < 15; ++col)
            if (kModCellMask[r][col] != ' ')
                frame("modmatrixbutton", (r + col) % 4 == 0 ? 1 : 0, 370 + 97 + 18 * col, 47 + 18 * r);
    }
    // Filter, LFOs, master, chorus, pan.
    const char* filterLabels[] = {"  Cutoff", "   Reso", "EnvAmt", "  Mode"};
    for (int k = 0; k < 4; ++k) {
        label(filterLabels[k], 490, 227 + 35 * k);
        frame("knob2_anim", 30 * k + 10, 535, 220 + 35 * k);
    }
    label("LFO1", 643, 215);
    label("LFO2", 688, 215);
    label("Rate", 610, 237);
    label("Wave", 610, 267);
    for (int i = 0; i < 2; ++i) {
        frame("knob2_anim", 50 + 20 * i, 645 + 45 * i, 230);
        frame("knob2_anim", 10 + 40 * i, 645 + 45 * i, 260);
    }
    label("Volume", 562, 375);
    label("Voices", 625, 375);
    frame("knob2_anim", 100, 570, 390);
    frame("knob2_anim", 28, 630, 390);
    label("Chorus", 485, 430);
    label("Rate", 531, 430);
    label("Depth", 567, 430);
    frame("button", 1, 500, 445);
    frame("knob2_anim", 40, 530, 445);
    frame("knob2_anim", 70, 570, 445);
    label("Pan", 698, 316);
    for (int i = 0; i < 8; ++i)
        frame("knob_anim", 8 * i, 700, 330 + 20 * i);
    frame("debug", 0, 540, 478);
    // A value hint as the editor shows it: the hint colour, nearly opaque, white text.
    box(535 + 28, 255 - 12, 44, 13, rgb(63, 93, 137));
    label("0.42", 535 + 30, 255 - 12);
    writePng(dir + "/editor_mock.png", c, 1);
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
    editorMock(dir, font, art);
}

} // namespace artgen
