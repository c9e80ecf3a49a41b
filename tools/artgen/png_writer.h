#pragma once

#include <string>

#include "canvas.h"

namespace artgen {

// Writes the canvas as an 8-bit RGBA PNG, each pixel repeated `zoom` times in both
// directions. Throws std::runtime_error when the file cannot be written.
void writePng(const std::string& path, const Canvas& canvas, int zoom = 1);

} // namespace artgen
