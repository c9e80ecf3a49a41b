#pragma once

#include "gui/colours.h"
#include "gui/rect.h"
#include "gui/surface.h"

namespace vellum {

// Line drawing onto a 4-byte-a-pixel surface, in window coordinates, clipped to the surface's
// region like every drawing operation: pixels outside it are never touched, and only the part
// of a line that crosses the region costs work, whatever its length.

// A one-pixel line from `from` to `to`, both ends included, opaque. Along the longer axis every
// pixel is set once; the other coordinate is the exact line's, rounded to the nearest pixel.
void drawLine(xSurface& surface, xPoint from, xPoint to, xColour colour);

// The one-pixel outline just inside a rectangle.
void frameRect(xSurface& surface, const xRect& rect, xColour colour);

} // namespace vellum
