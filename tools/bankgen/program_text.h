#pragma once

#include "patch/patch.h"

#include <string>
#include <vector>

namespace ostrel::bankgen {

// One problem found in a program file, with the line it is on (0 for the file as a whole).
struct TextError {
    int line = 0;
    std::string message;
};

// Applies a program text to a patch. The text is a list of "field = value" lines named after
// the Patch fields; "#" starts a comment. Arrays are comma lists with one value per element,
// oscWaveform takes wave display names ("33 Saw"), chorusOn takes on/off or 0/1, and modRoute
// lists the "row,column" cells that are on (every other cell is then off; "none" for no
// cell). Fields not given keep the value the patch holds. Every value is checked against the
// field's range. Returns the problems found; the patch is only partly changed when there are
// any.
std::vector<TextError> applyProgramText(const std::string& text, Patch& patch);

} // namespace ostrel::bankgen
