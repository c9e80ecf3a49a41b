#pragma once

// "WAVES" resources for tests and benchmarks, which run without the module's resources:
// synthetic ones (every stored wave drawn by a function), and the committed resources read
// from the source tree.
#include "dsp/wave_bank.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace ostrel::testing {

// The bytes of a "WAVES" resource whose stored wave w holds code(w, i) at sample i (codes
// 0..4095 around the centre 2048).
template <class Code>
std::vector<unsigned char> wavesResource(Code code)
{
    std::vector<unsigned char> bytes(kWavesResourceSize);
    for (int w = 0; w < kStoredWaveCount; ++w) {
        for (int i = 0; i < kRawWaveLength; ++i) {
            const auto word = static_cast<std::uint16_t>(code(w, i));
            const std::size_t at = 2 * (static_cast<std::size_t>(w) * kRawWaveLength + static_cast<std::size_t>(i));
            bytes[at] = static_cast<unsigned char>(word & 0xFF);
            bytes[at + 1] = static_cast<unsigned char>(word >> 8);
        }
    }
    return bytes;
}

// Stored wave w drawn by shape(w, x) over x = 2 pi i / 128: the code 2048 + round(amplitude *
// shape) (amplitude in codes).
template <class Shape>
std::vector<unsigned char> drawnWavesResource(double amplitude, Shape shape)
{
    return wavesResource([&](int w, int i) {
        const double x = 6.283185307179586 * i / kRawWaveLength;
        return 2048 + std::lround(amplitude * shape(w, x));
    });
}

// Every stored wave one sine cycle.
inline std::vector<unsigned char> sineWavesResource(double amplitude)
{
    return drawnWavesResource(amplitude, [](int, double x) { return std::sin(x); });
}

// The source tree: OSTREL_SOURCE_DIR (ctest sets it), else found from this file's path.
inline std::string sourceDir()
{
    if (const char* dir = std::getenv("OSTREL_SOURCE_DIR"))
        return dir;
    std::string path = __FILE__; // .../tests/support/wave_resources.h
    for (int i = 0; i < 3; ++i)
        path = path.substr(0, path.find_last_of("/\\"));
    return path;
}

// A file of the source tree (such as "resources/waves.bin"); empty when it cannot be read.
inline std::vector<unsigned char> sourceFile(const std::string& relativePath)
{
    std::vector<unsigned char> data;
    if (std::FILE* f = std::fopen((sourceDir() + "/" + relativePath).c_str(), "rb")) {
        unsigned char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            data.insert(data.end(), chunk, chunk + got);
        std::fclose(f);
    }
    return data;
}

// The committed resources/waves.bin; empty when it cannot be read.
inline const std::vector<unsigned char>& committedWaves()
{
    static const std::vector<unsigned char> bytes = sourceFile("resources/waves.bin");
    return bytes;
}

} // namespace ostrel::testing
