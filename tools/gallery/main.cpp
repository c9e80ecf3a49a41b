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
    const vellum::xPixelBuffer& surface = window.surface();
    return pngio::fromWindowPixels(surface.pixelAt(0, 0), gallery::kWidth, gallery::kHeight, surface.stride());
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
            std::string first;
            const long differing = pngio::countDifferences(image, pngio::read(reference), first);
            if (differing != 0) {
                std::fprintf(stderr, "%s\n", first.c_str());
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
