#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "artwork.h"
#include "font_strip.h"

namespace artgen {

// The resource package as the toolkit reads it: an XML index and the blob it points into.
struct Package {
    std::string index;
    std::vector<std::uint8_t> blob;
};

// Lays out the font's tables and every bitmap's pixels in the blob (each table starting on a
// 4-byte boundary) and writes the index that names them.
Package buildPackage(const std::string& fontName, const FontStrip& font, const std::vector<Artwork>& art);

} // namespace artgen
