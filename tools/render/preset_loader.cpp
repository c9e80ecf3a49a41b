#include "tools/render/preset_loader.h"

#include "patch/preset_file.h"

namespace ostrel::render {

bool loadPresetChunk(const std::string& path, bool isPreset, std::vector<std::uint8_t>& chunk, std::string& error)
{
    chunk.clear();
    PresetReadResult read = readPresetFile(path);
    if (!read.ok) {
        error = read.error;
        return false;
    }
    const bool isProgramFile = read.preset.kind == PresetKind::Program;
    if (isProgramFile != isPreset) {
        error = path
            + (isProgramFile ? " is a program file (.fxp): load it with --preset"
                             : " is a bank file (.fxb): load it with --bank");
        return false;
    }
    chunk.assign(read.preset.chunk.begin(), read.preset.chunk.end());
    return true;
}

} // namespace ostrel::render
