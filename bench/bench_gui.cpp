// A full 760 x 500 repaint of the toolkit's gallery (every control) through the headless
// binding: 4 x 4 tiles of 128 pixels, every visible widget asked to draw into each.

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gallery/gallery.h"
#include "gui/headless_window.h"
#include "gui/resource_package.h"

namespace {

std::vector<std::uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void galleryRepaint(benchmark::State& state)
{
    const std::string dir = std::string(OSTREL_SOURCE_DIR) + "/resources/gui/";
    const std::vector<std::uint8_t> index = readFile(dir + "index.xml");
    const std::vector<std::uint8_t> blob = readFile(dir + "package.bin");
    const vellum::xResourcePackage package(reinterpret_cast<const char*>(index.data()), index.size(), blob.data(),
                                           blob.size());
    gallery::Params params;
    vellum::xHeadlessWindow window(gallery::kWidth, gallery::kHeight);
    gallery::build(*window.getFacade(), package, params);
    params.setPictured();
    for (auto _ : state) {
        window.paintAll();
        benchmark::DoNotOptimize(window.surface().pixelAt(380, 250));
    }
}

} // namespace

BENCHMARK(galleryRepaint)->Unit(benchmark::kMillisecond);
