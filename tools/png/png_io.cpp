#include "png_io.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include <png.h>

namespace pngio {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open(const std::string& path, const char* mode)
{
    File file(std::fopen(path.c_str(), mode), &std::fclose);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    return file;
}

} // namespace

void write(const std::string& path, const Image& image, int zoom)
{
    if (zoom < 1 || image.width < 1 || image.height < 1
        || image.rgba.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4)
        throw std::runtime_error("nothing to write to " + path);
    File file = open(path, "wb");
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
    const int width = image.width * zoom;
    const int height = image.height * zoom;
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        const std::size_t source = static_cast<std::size_t>(y / zoom) * static_cast<std::size_t>(image.width);
        for (int x = 0; x < width; ++x) {
            const std::size_t s = (source + static_cast<std::size_t>(x / zoom)) * 4;
            for (std::size_t k = 0; k < 4; ++k)
                row[static_cast<std::size_t>(x) * 4 + k] = image.rgba[s + k];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

Image read(const std::string& path)
{
    File file = open(path, "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw std::runtime_error("libpng could not start");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("libpng failed reading " + path);
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    // Whatever the file holds becomes 8-bit RGBA.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    Image image;
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    image.rgba.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
        rows[static_cast<std::size_t>(y)] = image.rgba.data() + static_cast<std::size_t>(y) * image.width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

Image fromWindowPixels(const std::uint8_t* pixels, int width, int height, int stride)
{
    Image image{width, height, {}};
    image.rgba.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += 4)
            image.rgba.insert(image.rgba.end(), {p[2], p[1], p[0], 255});
    }
    return image;
}

long countDifferences(const Image& got, const Image& want, std::string& first)
{
    if (got.width != want.width || got.height != want.height || got.rgba.size() != want.rgba.size()) {
        first = "size " + std::to_string(got.width) + " x " + std::to_string(got.height) + ", reference "
            + std::to_string(want.width) + " x " + std::to_string(want.height);
        return -1;
    }
    long differing = 0;
    for (std::size_t i = 0; i + 3 < got.rgba.size(); i += 4) {
        if (got.rgba[i] == want.rgba[i] && got.rgba[i + 1] == want.rgba[i + 1] && got.rgba[i + 2] == want.rgba[i + 2])
            continue;
        if (differing++ == 0) {
            const auto pixel = static_cast<int>(i / 4);
            char text[128];
            std::snprintf(text, sizeof text, "first difference at (%d, %d): %d %d %d, reference %d %d %d",
                          pixel % got.width, pixel / got.width, got.rgba[i], got.rgba[i + 1], got.rgba[i + 2],
                          want.rgba[i], want.rgba[i + 1], want.rgba[i + 2]);
            first = text;
        }
    }
    return differing;
}

} // namespace pngio
