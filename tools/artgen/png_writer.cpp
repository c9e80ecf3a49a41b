#include "png_writer.h"

#include "png_io.h"

namespace artgen {

void writePng(const std::string& path, const Canvas& canvas, int zoom)
{
    pngio::write(path, {canvas.width(), canvas.height(), canvas.bytes(4)}, zoom);
}

} // namespace artgen
