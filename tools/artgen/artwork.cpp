#include "artwork.h"

#include <cmath>

namespace artgen {

namespace {

// The palette: greys around the editor's (64, 64, 64) and one blue accent.
const Colour kEditorBg = rgb(64, 64, 64);
const Colour kPanel = rgb(54, 54, 54);
const Colour kPanelUnused = rgb(49, 49, 49);
const Colour kPanelEdge = rgb(44, 44, 44);
const Colour kGridLine = rgb(63, 63, 63);
const Colour kWell = rgb(42, 42, 42);
const Colour kWellEdge = rgb(33, 33, 33);
const Colour kOutline = rgb(26, 26, 26);
const Colour kTrack = rgb(36, 36, 36);
const Colour kText = rgb(226, 226, 226);
const Colour kTextDim = rgb(128, 128, 128);
const Colour kPointer = rgb(240, 240, 240);
const Colour kAccent = rgb(96, 164, 236);
const Colour kAccentLight = rgb(150, 200, 250);
const Colour kAccentDark = rgb(58, 112, 176);
const Colour kCapTop = rgb(108, 108, 108);
const Colour kCapBottom = rgb(66, 66, 66);

// Captions of the matrix: sources (rows) and destinations (columns). Destinations that do
// nothing are captioned "none" and drawn dimmed.
const char* const kSources[7] = {"LFO 1", "LFO 2", "Aftertouch", "Velocity", "Key", "Filter Env", "Mod Wheel"};
const char* const kDestinations[15] = {"Pitch A", "Pitch B", "Pitch C", "Pitch D", "Cutoff", "Mix X", "Mix Y", nullptr,
                                       "Depth 1", nullptr,   "Depth 2", "Amp",     "Pan",    nullptr, nullptr};

// Grid geometry shared with the editor: cell switches of 12 x 12 at (97 + 18c, 47 + 18r),
// amount knobs of 18 x 18 at (76, 44 + 18r).
constexpr int kCellX = 97;
constexpr int kCellY = 47;
constexpr int kPitch = 18;
constexpr int kCellSize = 12;
constexpr int kKnobX = 76;

Canvas strip(int width, int frameHeight, int frames)
{
    return Canvas(width, frameHeight * frames);
}

// Knob of the given size at value 0..1: a dark track over 270 degrees lit in the accent up to
// the value, a shaded cap with a light pointer.
Canvas knobFrame(int size, double value)
{
    Canvas c(size, size);
    const double centre = size / 2.0;
    const bool large = size >= 26;
    const double trackWidth = large ? 2.2 : 1.7;
    const double trackRadius = centre - 0.6 - trackWidth / 2;
    const double capRadius = large ? 7.9 : 5.4;
    const double angle = -135.0 + 270.0 * value;

    c.fill(arc(centre, centre, trackRadius, trackWidth, -135.0, 135.0), kTrack);
    if (value > 0.0)
        c.fill(arc(centre, centre, trackRadius, trackWidth, -135.0, angle), kAccent);
    c.fill(disc(centre, centre + 0.9, capRadius + 0.5), rgb(0, 0, 0), 0.35);
    c.fill(disc(centre, centre, capRadius), kOutline);
    c.fill(disc(centre, centre, capRadius - 0.9),
           verticalGradient(kCapTop, centre - capRadius, kCapBottom, centre + capRadius));
    const double a = angle * 3.14159265358979323846 / 180.0;
    const double inner = large ? 1.5 : 0.8;
    const double outer = capRadius - (large ? 1.3 : 1.0);
    c.fill(capsule(centre + inner * std::sin(a), centre - inner * std::cos(a), centre + outer * std::sin(a),
                   centre - outer * std::cos(a), large ? 2.0 : 1.6),
           kPointer);
    return c;
}

Artwork knobStrip(const char* name, int size, int frames)
{
    Canvas picture = strip(size, size, frames);
    for (int f = 0; f < frames; ++f)
        picture.draw(knobFrame(size, static_cast<double>(f) / (frames - 1)), 0, f * size);
    return {name, 32, picture, size};
}

// Envelope point markers, 9 x 9: 0 a plain point, 1 a point under the pointer, 2 the point
// being dragged, 3 and 4 hollow rings for the loop start and loop end points.
Artwork marker(int index)
{
    Canvas c(9, 9);
    const double m = 4.5;
    switch (index) {
    case 0:
        c.fill(disc(m, m, 3.8), kOutline);
        c.fill(disc(m, m, 2.8), rgb(214, 214, 214));
        break;
    case 1:
        c.fill(disc(m, m, 3.8), kOutline);
        c.fill(disc(m, m, 2.8), kAccent);
        break;
    case 2:
        c.fill(disc(m, m, 4.4), kAccent);
        c.fill(disc(m, m, 2.5), kPointer);
        break;
    case 3:
        c.fill(ring(m, m, 3.2, 2.4), kOutline);
        c.fill(ring(m, m, 3.2, 1.3), rgb(214, 214, 214));
        break;
    default:
        c.fill(ring(m, m, 3.2, 2.4), kOutline);
        c.fill(ring(m, m, 3.2, 1.3), kAccent);
        break;
    }
    return {"circle" + std::to_string(index), 32, c, 0};
}

// Text turned to read upwards, its start at the bottom (x, yBottom).
void drawUpwards(Canvas& target, const FontStrip& font, const std::string& text, int x, int yBottom, Colour colour)
{
    const int width = font.textWidth(text);
    if (width <= 0)
        return;
    Canvas line(width, font.height);
    font.drawText(line, text, 0, 0, colour);
    target.drawRotatedLeft(line, x, yBottom - width + 1);
}

Artwork modMatrix(const FontStrip& font)
{
    Canvas c(397, 177);
    c.clear(kEditorBg);
    const int gridLeft = kCellX - 3;
    const int gridTop = kCellY - 3;
    const int gridRight = kCellX + 15 * kPitch - 3;
    const int gridBottom = kCellY + 7 * kPitch - 3;

    // Panel: the part right of x = 390 lies beyond the editor's edge and stays background.
    c.fill(roundRect(2, 1, 386, 175, 4), kPanelEdge);
    c.fill(roundRect(3, 2, 384, 173, 3.5), kPanel);

    // Destinations without effect get a darker column.
    for (int col = 0; col < 15; ++col) {
        if (!kDestinations[col])
            c.fill(roundRect(gridLeft + col * kPitch + 1, 4, kPitch - 1, gridBottom - 4, 1.5), kPanelUnused);
    }
    // Grid lines halfway between the cells, and the amount column's frame.
    for (int col = 0; col <= 15; ++col) {
        const double x = gridLeft + col * kPitch;
        c.fill(capsule(x + 0.5, gridTop + 0.5, x + 0.5, gridBottom + 0.5, 1.0), kGridLine);
    }
    for (int row = 0; row <= 7; ++row) {
        const double y = gridTop + row * kPitch;
        c.fill(capsule(8, y + 0.5, gridRight + 0.5, y + 0.5, 1.0), kGridLine);
    }

    // Captions: destinations read upwards above their columns, sources left of their rows.
    for (int col = 0; col < 15; ++col) {
        const bool used = kDestinations[col] != nullptr;
        drawUpwards(c, font, used ? kDestinations[col] : "none", kCellX - 1 + col * kPitch, gridTop - 3,
                    used ? kText : kTextDim);
    }
    drawUpwards(c, font, "Amount", kKnobX + 3, gridTop - 3, kTextDim);
    font.drawText(c, "Source", 9, gridTop - 16, kTextDim);
    for (int row = 0; row < 7; ++row)
        font.drawText(c, kSources[row], 9, kCellY + row * kPitch, kText);

    // Where no route exists a small dot marks the empty place.
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 15; ++col) {
            if (kModCellMask[row][col] == ' ') {
                const double cx = kCellX + col * kPitch + kCellSize / 2.0;
                const double cy = kCellY + row * kPitch + kCellSize / 2.0;
                c.fill(disc(cx, cy, 1.3), kPanelEdge);
            }
        }
    }
    return {"modmatrix", 24, c, 0};
}

// Cell switch, 12 x 12 frames: 0 off (a recessed square), 1 on (lit in the accent).
Artwork modMatrixButton()
{
    Canvas picture = strip(kCellSize, kCellSize, 2);
    for (int f = 0; f < 2; ++f) {
        Canvas c(kCellSize, kCellSize);
        c.clear(kPanel);
        c.fill(roundRect(0.5, 0.5, 11, 11, 2.2), kOutline);
        if (f == 0)
            c.fill(roundRect(1.5, 1.5, 9, 9, 1.4), verticalGradient(rgb(40, 40, 40), 1.5, rgb(50, 50, 50), 10.5));
        else
            c.fill(roundRect(1.5, 1.5, 9, 9, 1.4), verticalGradient(kAccentLight, 1.5, kAccentDark, 10.5));
        picture.draw(c, 0, f * kCellSize);
    }
    return {"modmatrixbutton", 24, picture, kCellSize};
}

// A small recessed field for a value chosen from a menu, with a menu mark at its right.
Canvas menuField(int width)
{
    Canvas c(width, 13);
    c.clear(kEditorBg);
    c.fill(roundRect(0, 0, width, 13, 2.5), kWellEdge);
    c.fill(roundRect(1, 1, width - 2, 11, 1.8), kWell);
    const double r = width - 4.5;
    c.fill(triangle(r - 2.6, 5.2, r + 2.6, 5.2, r, 8.2), kTextDim);
    return c;
}

// A horizontal arrow at the height of the digits, heads at the end (and start when both).
void drawArrow(Canvas& c, double x0, double x1, bool both)
{
    const double y = 6.5;
    c.fill(capsule(x0 + (both ? 2.0 : 0.5), y, x1 - 2.0, y, 1.2), kText);
    c.fill(triangle(x1 - 3.4, y - 2.6, x1 + 0.2, y, x1 - 3.4, y + 2.6), kText);
    if (both)
        c.fill(triangle(x0 + 3.4, y - 2.6, x0 - 0.2, y, x0 + 3.4, y + 2.6), kText);
}

// The endless-loop sign: a figure of eight lying on its side, as a chain of short strokes.
Shape lemniscate(double cx, double cy, double halfWidth, double width)
{
    std::vector<Shape> strokes;
    const int steps = 48;
    double px = cx + halfWidth;
    double py = cy;
    for (int i = 1; i <= steps; ++i) {
        const double t = 2 * 3.14159265358979323846 * i / steps;
        const double d = 1 + std::sin(t) * std::sin(t);
        const double x = cx + halfWidth * std::cos(t) / d;
        const double y = cy + halfWidth * 1.25 * std::sin(t) * std::cos(t) / d;
        strokes.push_back(capsule(px, py, x, y, width));
        px = x;
        py = y;
    }
    return [strokes](double x, double y) {
        for (const Shape& s : strokes)
            if (s(x, y))
                return true;
        return false;
    };
}

// Loop modes: off, then "from -> 3" (loop forward) and "from <-> 3" (back and forth).
Artwork loopText(const FontStrip& font)
{
    Canvas picture = strip(41, 13, 7);
    for (int f = 0; f < 7; ++f) {
        Canvas c = menuField(41);
        if (f == 0) {
            font.drawText(c, "off", 4, 0, kText);
        } else {
            const int from = (f - 1) % 3;
            const bool both = f >= 4;
            font.drawText(c, std::to_string(from), 4, 0, kText);
            drawArrow(c, 12.5, 22.0, both);
            font.drawText(c, "3", 24, 0, kText);
        }
        picture.draw(c, 0, f * 13);
    }
    return {"looptext", 24, picture, 13};
}

// Repeat counts: an endless loop sign for continuous, then 1 to 7.
Artwork repeatText(const FontStrip& font)
{
    Canvas picture = strip(23, 13, 8);
    for (int f = 0; f < 8; ++f) {
        Canvas c = menuField(23);
        if (f == 0) {
            c.fill(lemniscate(8.5, 6.5, 4.6, 1.15), kText);
        } else {
            font.drawText(c, std::to_string(f), 5, 0, kText);
        }
        picture.draw(c, 0, f * 13);
    }
    return {"repeattext", 24, picture, 13};
}

// An on/off switch, 18 x 27 frames: 0 off, 1 on, 2 on while held down.
Artwork button()
{
    Canvas picture = strip(18, 27, 3);
    for (int f = 0; f < 3; ++f) {
        Canvas c(18, 27);
        c.clear(kEditorBg);
        const bool on = f > 0;
        const bool held = f == 2;
        c.fill(roundRect(2, 1.5, 14, 25, 3.2), rgb(0, 0, 0), 0.3);
        c.fill(roundRect(2, 0.5, 14, 25, 3.2), kOutline);
        c.fill(roundRect(3, 1.5, 12, 23, 2.4),
               held ? verticalGradient(rgb(62, 62, 62), 1.5, rgb(80, 80, 80), 24.5)
                    : verticalGradient(kCapTop, 1.5, kCapBottom, 24.5));
        const double ly = 8.0 + (held ? 0.5 : 0.0);
        if (on)
            c.fill(disc(9, ly, 4.6), kAccent, 0.25);
        c.fill(disc(9, ly, 3.0), kOutline);
        c.fill(disc(9, ly, 2.2), on ? verticalGradient(kAccentLight, ly - 2, kAccent, ly + 2) : solid(rgb(46, 46, 46)));
        for (int i = 0; i < 3; ++i) {
            const double y = 15.5 + 2.5 * i + (held ? 0.5 : 0.0);
            c.fill(capsule(6.5, y, 11.5, y, 1.0), rgb(44, 44, 44));
        }
        picture.draw(c, 0, f * 27);
    }
    return {"button", 24, picture, 27};
}

// The bank-save button, 40 x 18 frames: 0 up, 1 held down.
Artwork debugButton(const FontStrip& font)
{
    Canvas picture = strip(40, 18, 2);
    for (int f = 0; f < 2; ++f) {
        Canvas c(40, 18);
        c.clear(kEditorBg);
        const bool held = f == 1;
        c.fill(roundRect(0.5, 0.5, 39, 17, 3), kOutline);
        c.fill(roundRect(1.5, 1.5, 37, 15, 2.2),
               held ? verticalGradient(rgb(58, 58, 58), 1.5, rgb(74, 74, 74), 16.5)
                    : verticalGradient(rgb(100, 100, 100), 1.5, rgb(70, 70, 70), 16.5));
        const std::string text = "Save";
        const int x = (40 - font.textWidth(text)) / 2;
        font.drawText(c, text, x, 3 + (held ? 1 : 0), held ? kAccentLight : kText);
        picture.draw(c, 0, f * 18);
    }
    return {"debug", 24, picture, 18};
}

} // namespace

const char* const kModCellMask[7] = {
    "ooooooo  oo o  ", "ooooooooo   o  ", "ooooooooooooooo", "    ooo    oo  ",
    "    ooo     o  ", "oooo        o  ", "        o o   o",
};

Colour editorBackground()
{
    return kEditorBg;
}

std::vector<Artwork> makeArtwork(const FontStrip& font)
{
    std::vector<Artwork> all;
    for (int i = 0; i < 5; ++i)
        all.push_back(marker(i));
    all.push_back(knobStrip("knob_anim", 18, 65));
    all.push_back(knobStrip("knob2_anim", 26, 129));
    all.push_back(modMatrix(font));
    all.push_back(modMatrixButton());
    all.push_back(loopText(font));
    all.push_back(repeatText(font));
    all.push_back(debugButton(font));
    all.push_back(button());
    return all;
}

} // namespace artgen
