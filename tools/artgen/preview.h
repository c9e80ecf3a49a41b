#pragma once

#include <string>
#include <vector>

#include "artwork.h"
#include "font_strip.h"

namespace artgen {

// Writes PNG files for looking at the art: every bitmap on the editor's background (strips
// laid out as sheets of frames, small ones enlarged), a font specimen with all 256 codes and
// kerned sample lines, and the modulation matrix with its knobs and switches in place.
void writePreviews(const std::string& directory, const FontStrip& font, const std::vector<Artwork>& art);

} // namespace artgen
