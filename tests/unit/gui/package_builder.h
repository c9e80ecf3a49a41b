#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Builds small resource packages for tests: tables appended to a blob, and the index text
// naming them.
class PackageBuilder {
public:
    // Appends a table and returns its reference element.
    std::string table(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::size_t offset = blob.size();
        blob.insert(blob.end(), bytes.begin(), bytes.end());
        return reference(name, static_cast<long long>(offset), static_cast<long long>(bytes.size()));
    }

    static std::string reference(const std::string& name, long long offset, long long size)
    {
        return "<binary_reference name=\"" + name + "\" offset=\"" + std::to_string(offset) + "\" size=\""
            + std::to_string(size) + "\"/>";
    }

    static std::string bitmap(const std::string& name, int depth, int width, int height, const std::string& refs)
    {
        return "<bitmap name=\"" + name + "\" bitdepth=\"" + std::to_string(depth) + "\" width=\""
            + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\">" + refs + "</bitmap>";
    }

    static std::string index(const std::string& entries)
    {
        return "<?xml version=\"1.0\" standalone=\"no\"?>\n<resource>" + entries + "</resource>\n";
    }

    std::vector<std::uint8_t> blob;
};

// Little-endian 32-bit table of 256 values.
inline std::vector<std::uint8_t> int32Table(const std::vector<int>& values)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < 256; ++i) {
        const auto u = static_cast<std::uint32_t>(i < values.size() ? values[i] : 0);
        for (int k = 0; k < 4; ++k)
            out.push_back(static_cast<std::uint8_t>(u >> (8 * k)));
    }
    return out;
}

// The repository's root: from the test environment, else derived from this file's path.
inline std::string sourceDir()
{
    if (const char* dir = std::getenv("OSTREL_SOURCE_DIR"))
        return dir;
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/unit/gui/"));
}

inline std::vector<std::uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
