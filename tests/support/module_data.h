#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "dsp/wave_bank.h"
#include "gui/resource_package.h"

// What the plug-in module builds when it loads (the toolkit's resource package and the wave
// bank), built here from the resource files of the source tree, for the programs that make a
// plug-in object without loading the module: tests, the editor screenshot tool, the Windows
// editor test's headless mirror.
namespace moduledata {

inline std::vector<unsigned char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Builds the process's resource package from `resources`/gui (the source tree's resources/
// folder). Throws std::runtime_error when a file is missing or the package cannot be used.
inline void loadPackage(const std::string& resources)
{
    const std::vector<unsigned char> index = readFile(resources + "/gui/index.xml");
    const std::vector<unsigned char> blob = readFile(resources + "/gui/package.bin");
    if (!vellum::createPackage(reinterpret_cast<const char*>(index.data()), index.size(), blob.data(), blob.size()))
        throw std::runtime_error("no usable GUI resources in " + resources + "/gui");
}

// Builds the process's package and wave bank from `resources` (the source tree's resources/
// folder) and returns the default bank's bytes. Throws std::runtime_error when a file is
// missing or the package cannot be used.
inline std::vector<unsigned char> load(const std::string& resources)
{
    loadPackage(resources);
    const std::vector<unsigned char> waves = readFile(resources + "/waves.bin");
    ostrel::buildWaveBank(waves.data(), waves.size());
    return readFile(resources + "/default_bank.bin");
}

} // namespace moduledata
