#include "png_writer.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include <png.h>

namespace artgen {

void writePng(const std::string& path, const Canvas& canvas, int zoom)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng could not start");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed writing " + path);
    }
    const int width = canvas.width() * zoom;
    const int height = canvas.height() * zoom;
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::vector<std::uint8_t> bytes = canvas.bytes(4);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        const int sy = y / zoom;
        for (int x = 0; x < width; ++x) {
            const std::size_t s = (static_cast<std::size_t>(sy) * static_cast<std::size_t>(canvas.width())
                                   + static_cast<std::size_t>(x / zoom))
                * 4;
            for (int k = 0; k < 4; ++k)
                row[static_cast<std::size_t>(x) * 4 + static_cast<std::size_t>(k)] =
                    bytes[s + static_cast<std::size_t>(k)];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

} // namespace artgen
