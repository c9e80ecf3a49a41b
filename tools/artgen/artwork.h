#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "font_strip.h"

namespace artgen {

// One bitmap of the package: its name, bit depth (24: opaque, 32: with alpha), picture, and
// the frame height when it is a strip of frames one below the other (0 for a single picture).
struct Artwork {
    std::string name;
    int bitDepth = 24;
    Canvas picture;
    int frameHeight = 0;
};

// The editor's background colour, on which every opaque picture is designed to sit.
Colour editorBackground();

// Every bitmap of the package, in index order. Captions are drawn with the package's font.
std::vector<Artwork> makeArtwork(const FontStrip& font);

// Which modulation cells exist, row by row (sources) and column by column (destinations):
// 'o' where a route can be switched, blank where none exists.
extern const char* const kModCellMask[7];

} // namespace artgen
