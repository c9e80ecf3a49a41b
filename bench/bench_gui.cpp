// A full 760 x 500 repaint of the toolkit's gallery (every control) through the headless
// binding: 4 x 4 tiles of 128 pixels, every visible widget asked to draw into each.

#include <benchmark/benchmark.h>

#include <string>

#include "gallery/gallery.h"
#include "gui/headless_window.h"
#include "gui/resource_package.h"

namespace {

void galleryRepaint(benchmark::State& state)
{
    const auto package = gallery::loadPackage(std::string(OSTREL_SOURCE_DIR) + "/resources/gui");
    gallery::Params params;
    vellum::xHeadlessWindow window(gallery::kWidth, gallery::kHeight);
    gallery::build(*window.getFacade(), *package, params);
    params.setPictured();
    for (auto _ : state) {
        window.paintAll();
        benchmark::DoNotOptimize(window.surface().pixelAt(380, 250));
    }
}

} // namespace

BENCHMARK(galleryRepaint)->Unit(benchmark::kMillisecond);
