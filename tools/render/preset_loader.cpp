#include "tools/render/preset_loader.h"

namespace ostrel::render {

bool loadPresetChunk(const std::string& path, bool, std::vector<std::uint8_t>& chunk, std::string& error)
{
    // The preset file reader is not in the tree yet; the options refuse these files before
    // anything gets here.
    chunk.clear();
    error = path + ": this build cannot read preset files";
    return false;
}

} // namespace ostrel::render
