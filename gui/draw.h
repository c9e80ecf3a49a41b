#pragma once

#include "gui/bitmap.h"
#include "gui/colours.h"
#include "gui/rect.h"
#include "gui/surface.h"

namespace vellum {

// Drawing onto a 4-byte-a-pixel surface. Every operation takes window coordinates, clips to
// the surface's region and touches nothing outside it. A surface whose pixels are null or
// whose stride is less than 4 bytes a pixel of its width is not drawn on.

// Writes the colour with a fourth byte of 255 into every pixel of the rectangle.
void fillRect(xSurface& surface, const xRect& rect, xColour colour);

// Mixes the colour into the rectangle's pixels: c += ((colour - c) x opacity) >> 8 for blue,
// green and red; the fourth byte is kept. Opacity is bounded to 0..255: 0 changes nothing,
// 255 leaves 1/256 of the old colour.
void blendRect(xSurface& surface, const xRect& rect, xColour colour, int opacity);

// Copies the part of the bitmap that starts at `source` (bitmap coordinates) and is `size`
// large to `destination` (window coordinates). 32-bit bitmaps are mixed in by their alpha
// (the surface's fourth byte is kept), 24-bit ones copied whole, 8-bit ones through their
// palette. Only the part of the section that lies inside the bitmap is drawn.
void drawBitmap(const xBitmap& bitmap, xSurface& surface, xPoint source, xPoint destination, xSize size);

} // namespace vellum
