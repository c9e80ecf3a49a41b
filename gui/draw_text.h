#pragma once

#include <string>
#include <string_view>

#include "gui/colours.h"
#include "gui/font.h"
#include "gui/rect.h"
#include "gui/surface.h"

namespace vellum {

// Text is a sequence of byte character codes 0 to 255 (Latin-1), one glyph each.

// Draws one line with its top-left corner at `position` (window coordinates): kerned from the
// font's table, each glyph mixed in by its coverage (c += ((colour - c) x a) >> 8; the
// fourth byte is kept), clipped to the surface's region and to `clip`. Line feeds and tabs
// are not interpreted here.
void drawText(const xFont& font, xSurface& surface, std::string_view text, xPoint position, xColour colour,
              const xRect& clip);

// The text with every tab replaced by four spaces.
std::string expandTabs(std::string_view text);

// Width of one line as drawn (tabs counted as four spaces): advances and kerning up to the
// last character, whose glyph width counts instead of its advance. 0 for an empty text.
int textWidth(const xFont& font, std::string_view text);

// Size of a text of lines separated by line feeds: the widest line's width, and one line
// height per line. An empty text measures 0 x 0.
xSize textSize(const xFont& font, std::string_view text);

} // namespace vellum
