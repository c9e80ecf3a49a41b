// Renders the toolkit's gallery (every control on test parameters, in the pictured state with
// the hover hint showing) through the headless window binding, and writes it as a PNG or
// compares it with a reference picture pixel by pixel.
//
//   ostrel-gallery --resources DIR [--out FILE.png] [--compare REFERENCE.png] [--zoom N]

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "gallery/gallery.h"
#include "gui/headless_window.h"
#include "gui/resource_package.h"
#include "png_io.h"

namespace {

// The gallery as a window shows it, in RGBA (the window's fourth byte means nothing).
pngio::Image render(const vellum::xResourcePackage& package)
{
    gallery::Params params; // outlives the widgets that listen to it
    vellum::xHeadlessWindow window(gallery::kWidth, gallery::kHeight);
    gallery::build(*window.getFacade(), package, params);
    params.setPictured();
    window.move(gallery::spots().hintKnob.x, gallery::spots().hintKnob.y);
    window.tick(25);
    window.paintAll();
    pngio::Image image{gallery::kWidth, gallery::kHeight, {}};
    image.rgba.reserve(static_cast<std::size_t>(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = window.surface().pixelAt(x, y);
            image.rgba.insert(image.rgba.end(), {p[2], p[1], p[0], 255});
        }
    }
    return image;
}

// Number of pixels whose colour differs; reports the first.
long compare(const pngio::Image& got, const pngio::Image& want)
{
    if (got.width != want.width || got.height != want.height) {
        std::fprintf(stderr, "size %d x %d, reference %d x %d\n", got.width, got.height, want.width, want.height);
        return -1;
    }
    long differing = 0;
    for (std::size_t i = 0; i < got.rgba.size(); i += 4) {
        if (got.rgba[i] == want.rgba[i] && got.rgba[i + 1] == want.rgba[i + 1] && got.rgba[i + 2] == want.rgba[i + 2])
            continue;
        if (differing++ == 0) {
            const auto pixel = static_cast<int>(i / 4);
            std::fprintf(stderr, "first difference at (%d, %d): %d %d %d, reference %d %d %d\n", pixel % got.width,
                         pixel / got.width, got.rgba[i], got.rgba[i + 1], got.rgba[i + 2], want.rgba[i],
                         want.rgba[i + 1], want.rgba[i + 2]);
        }
    }
    return differing;
}

} // namespace

int main(int argc, char** argv)
{
    std::string resources, out, reference;
    int zoom = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--resources")
            resources = argv[i + 1];
        else if (arg == "--out")
            out = argv[i + 1];
        else if (arg == "--compare")
            reference = argv[i + 1];
        else if (arg == "--zoom")
            zoom = std::stoi(argv[i + 1]);
        else
            resources.clear(), i = argc;
    }
    if (resources.empty() || (out.empty() && reference.empty()) || argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s --resources DIR [--out FILE.png] [--compare REFERENCE.png] [--zoom N]\n",
                     argv[0]);
        return 2;
    }
    try {
        const pngio::Image image = render(*gallery::loadPackage(resources));
        if (!out.empty())
            pngio::write(out, image, zoom);
        if (!reference.empty()) {
            const long differing = compare(image, pngio::read(reference));
            if (differing != 0) {
                std::fprintf(stderr,
                             "gallery differs from %s in %ld pixels; if the change is intended, look at the "
                             "new picture and rewrite it with the gallery_png target\n",
                             reference.c_str(), differing);
                return 1;
            }
            std::printf("gallery matches %s\n", reference.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ostrel-gallery: %s\n", e.what());
        return 1;
    }
    return 0;
}
