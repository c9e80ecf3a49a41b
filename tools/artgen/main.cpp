// Generates the toolkit's resource package: the bitmap font and every bitmap of the editor,
// drawn here from shapes and the font, written as the XML index and the blob the plug-in
// embeds. Optionally writes PNG previews of all of it.
//
//   ostrel_artgen [--font FILE] --out DIR [--preview DIR]

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "artwork.h"
#include "font_strip.h"
#include "package_writer.h"
#include "preview.h"

namespace {

void writeFile(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace

int main(int argc, char** argv)
{
    std::string fontPath = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
    std::string outDir;
    std::string previewDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 < argc && arg == "--font")
            fontPath = argv[++i];
        else if (i + 1 < argc && arg == "--out")
            outDir = argv[++i];
        else if (i + 1 < argc && arg == "--preview")
            previewDir = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--font FILE] [--out DIR] [--preview DIR]\n", argv[0]);
            return 2;
        }
    }
    if (outDir.empty() && previewDir.empty()) {
        std::fprintf(stderr, "nothing to do: give --out and/or --preview\n");
        return 2;
    }
    try {
        // The toolkit's text font: 13-pixel lines.
        const artgen::FontStrip font = artgen::renderFontStrip(fontPath, 13);
        const std::vector<artgen::Artwork> art = artgen::makeArtwork(font);
        std::fprintf(stderr, "font: %d px, strip %d x %d, %d kerning pairs, %d glyph pixels clipped\n", font.pixelSize,
                     font.stripWidth, font.height, font.kerningPairs, font.clippedPixels);
        for (int code : font.clippedCodes)
            std::fprintf(stderr, "  clipped glyph: code %d\n", code);
        if (!outDir.empty()) {
            const artgen::Package package = artgen::buildPackage("arial11", font, art);
            writeFile(outDir + "/index.xml", package.index.data(), package.index.size());
            writeFile(outDir + "/package.bin", package.blob.data(), package.blob.size());
        }
        if (!previewDir.empty())
            artgen::writePreviews(previewDir, font, art);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
