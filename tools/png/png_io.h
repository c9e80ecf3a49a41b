#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reading and writing 8-bit RGBA PNG files (libpng), for the tools that make and check
// pictures.
namespace pngio {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // rows top to bottom, 4 bytes a pixel
};

// Writes the image, each pixel repeated `zoom` times in both directions. Throws
// std::runtime_error when the file cannot be written.
void write(const std::string& path, const Image& image, int zoom = 1);

// Reads any PNG as 8-bit RGBA. Throws std::runtime_error when the file is missing or unreadable.
Image read(const std::string& path);

// An opaque image from pixels in the toolkit's window order (blue, green, red, a fourth byte
// that means nothing), `stride` bytes a row.
Image fromWindowPixels(const std::uint8_t* pixels, int width, int height, int stride);

// The number of pixels whose colour differs (-1 for images of different sizes); `first`
// describes the first difference (or the sizes).
long countDifferences(const Image& got, const Image& want, std::string& first);

} // namespace pngio
