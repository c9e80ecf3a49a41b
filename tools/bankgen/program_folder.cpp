#include "tools/bankgen/program_folder.h"

#include "patch/patch.h"
#include "patch/program_store.h"
#include "tools/bankgen/program_text.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace ostrel::bankgen {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxPrograms = ProgramStore::kProgramCount;

bool readFile(const fs::path& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// Reads one program file; returns false (after reporting) when it has problems.
bool loadProgram(const fs::path& path, ProgramFile& program)
{
    std::string text;
    if (!readFile(path, text)) {
        std::fprintf(stderr, "%s: cannot be read\n", path.string().c_str());
        return false;
    }
    Patch patch(nullptr);
    patch.initPatch();
    const auto errors = applyProgramText(text, patch);
    for (const auto& e : errors) {
        if (e.line > 0)
            std::fprintf(stderr, "%s:%d: %s\n", path.string().c_str(), e.line, e.message.c_str());
        else
            std::fprintf(stderr, "%s: %s\n", path.string().c_str(), e.message.c_str());
    }
    if (!errors.empty())
        return false;
    program.stem = path.stem().string();
    program.name = patch.name();
    program.chunk.resize(static_cast<std::size_t>(patch.chunkSize()));
    patch.writeChunk(program.chunk.data());
    return true;
}

} // namespace

bool loadProgramFolder(const fs::path& dir, std::vector<ProgramFile>& programs)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file() && entry.path().extension() == ".txt")
            files.push_back(entry.path());
    }
    if (ec) {
        std::fprintf(stderr, "%s: %s\n", dir.string().c_str(), ec.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    if (files.empty() || files.size() > kMaxPrograms) {
        std::fprintf(stderr, "%s: a bank holds 1 to %zu program files (*.txt), found %zu\n", dir.string().c_str(),
                     kMaxPrograms, files.size());
        return false;
    }
    programs.assign(files.size(), {});
    bool ok = true;
    for (std::size_t i = 0; i < files.size(); ++i)
        ok = loadProgram(files[i], programs[i]) && ok;
    return ok;
}

} // namespace ostrel::bankgen
