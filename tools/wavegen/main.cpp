// ostrel-wavegen: builds the "WAVES" resource (resources/waves.bin) from the readable recipes
// of resources/waves.txt.
//
//   ostrel-wavegen RECIPES OUTPUT        write the 24064-byte resource
//   ostrel-wavegen RECIPES --spectrum    print each generated wave's harmonic spectrum
//
// Deterministic: the same bytes on every run and machine (see det_math.h).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dsp/fft.h"
#include "dsp/wave_names.h"
#include "tools/wavegen/wave_recipe.h"

namespace {

using namespace ostrel;
using namespace ostrel::wavegen;

int usage()
{
    std::fprintf(stderr, "usage: ostrel-wavegen RECIPES (OUTPUT | --spectrum)\n");
    return 2;
}

void printSpectrum(const WaveRecipe& recipe, const std::array<std::uint16_t, kCycleLength>& codes)
{
    float in[kCycleLength];
    float magnitude[kCycleLength / 2];
    for (int j = 0; j < kCycleLength; ++j)
        in[j] = (static_cast<float>(codes[static_cast<std::size_t>(j)]) - 2048.0f) / 2048.0f;
    magnitudeSpectrum(in, magnitude, kCycleLength);
    float strongest = 0.0f;
    for (int k = 1; k < kCycleLength / 2; ++k)
        strongest = std::max(strongest, magnitude[k]);
    std::printf("%2d %-12s", recipe.index, recipe.name.c_str());
    if (strongest <= 0.0f) {
        std::printf(" silent\n");
        return;
    }
    // Harmonics within 40 dB of the strongest, as k:dB, in harmonic order.
    int shown = 0;
    for (int k = 1; k < kCycleLength / 2; ++k) {
        const double db = 20.0 * std::log10(static_cast<double>(magnitude[k] / strongest));
        if (db < -40.0)
            continue;
        if (shown > 0 && shown % 12 == 0)
            std::printf("\n%15s", "");
        std::printf(" %d:%.0f", k, db);
        ++shown;
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return usage();
    const std::string recipePath = argv[1];
    const std::string output = argv[2];
    const bool spectrumOnly = output == "--spectrum";

    std::string text;
    if (std::FILE* file = std::fopen(recipePath.c_str(), "rb")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            text.append(chunk, got);
        std::fclose(file);
    } else {
        std::fprintf(stderr, "%s: cannot read\n", recipePath.c_str());
        return 1;
    }

    std::vector<WaveRecipe> recipes;
    std::string error;
    if (!parseRecipes(text, recipes, error)) {
        std::fprintf(stderr, "%s:%s\n", recipePath.c_str(), error.c_str());
        return 1;
    }

    // Exactly one recipe per stored wave, under the name the synthesizer shows for it.
    std::vector<const WaveRecipe*> byIndex(kStoredWaveCount, nullptr);
    for (const WaveRecipe& recipe : recipes) {
        const std::string where = recipePath + ":line " + std::to_string(recipe.line);
        if (recipe.index < 0 || recipe.index >= kStoredWaveCount) {
            std::fprintf(stderr, "%s: index %d outside 0..%d\n", where.c_str(), recipe.index, kStoredWaveCount - 1);
            return 1;
        }
        if (byIndex[static_cast<std::size_t>(recipe.index)] != nullptr) {
            std::fprintf(stderr, "%s: wave %d defined twice\n", where.c_str(), recipe.index);
            return 1;
        }
        if (recipe.name != waveName(recipe.index)) {
            std::fprintf(stderr, "%s: wave %d is named \"%s\" in waveNames, not \"%s\"\n", where.c_str(), recipe.index,
                         waveName(recipe.index), recipe.name.c_str());
            return 1;
        }
        if (recipe.why.empty()) {
            std::fprintf(stderr, "%s: wave %d has no 'why' line\n", where.c_str(), recipe.index);
            return 1;
        }
        byIndex[static_cast<std::size_t>(recipe.index)] = &recipe;
    }
    for (int i = 0; i < kStoredWaveCount; ++i) {
        if (byIndex[static_cast<std::size_t>(i)] == nullptr) {
            std::fprintf(stderr, "%s: no recipe for wave %d (%s)\n", recipePath.c_str(), i, waveName(i));
            return 1;
        }
    }

    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(kStoredWaveCount) * kCycleLength * 2);
    for (int i = 0; i < kStoredWaveCount; ++i) {
        const WaveRecipe& recipe = *byIndex[static_cast<std::size_t>(i)];
        Spectrum spectrum{};
        if (!renderSpectrum(recipe, spectrum, error)) {
            std::fprintf(stderr, "%s:%s\n", recipePath.c_str(), error.c_str());
            return 1;
        }
        const auto codes = toCodes(spectrum);
        if (spectrumOnly)
            printSpectrum(recipe, codes);
        for (std::uint16_t code : codes) {
            bytes.push_back(static_cast<unsigned char>(code & 0xFFu));
            bytes.push_back(static_cast<unsigned char>(code >> 8));
        }
    }
    if (spectrumOnly)
        return 0;

    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", output.c_str());
        return 1;
    }
    return 0;
}
