// ostrel-bankgen: builds the default bank (resource "XDAT" 119, resources/default_bank.bin)
// from the program texts of resources/bank/, one file per program, in file-name order.
//
//   ostrel-bankgen BANK_DIR OUTPUT
//
// Each program starts from the Init patch; its file sets what differs (see program_text.h).
// The programs are written with Patch::writeChunk and the bank with writeBankChunk, so the bank
// holds exactly what the plug-in itself writes. Problems are reported as FILE:LINE: message and nothing is written.

#include "patch/bank_chunk.h"
#include "patch/patch.h"
#include "patch/program_store.h"
#include "tools/bankgen/program_text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace ostrel;
namespace fs = std::filesystem;

constexpr int kMaxPrograms = ProgramStore::kProgramCount;

struct Program {
    std::string name;
    std::vector<unsigned char> chunk;
};

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
bool loadProgram(const fs::path& path, Program& program)
{
    std::string text;
    if (!readFile(path, text)) {
        std::fprintf(stderr, "%s: cannot be read\n", path.string().c_str());
        return false;
    }
    Patch patch(nullptr);
    patch.initPatch();
    const auto errors = bankgen::applyProgramText(text, patch);
    for (const auto& e : errors) {
        if (e.line > 0)
            std::fprintf(stderr, "%s:%d: %s\n", path.string().c_str(), e.line, e.message.c_str());
        else
            std::fprintf(stderr, "%s: %s\n", path.string().c_str(), e.message.c_str());
    }
    if (!errors.empty())
        return false;
    program.name = patch.name();
    program.chunk.resize(static_cast<std::size_t>(patch.chunkSize()));
    patch.writeChunk(program.chunk.data());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: ostrel-bankgen BANK_DIR OUTPUT\n");
        return 2;
    }
    const fs::path dir = argv[1];
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file() && entry.path().extension() == ".txt")
            files.push_back(entry.path());
    }
    if (ec) {
        std::fprintf(stderr, "%s: %s\n", dir.string().c_str(), ec.message().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    if (files.empty() || files.size() > kMaxPrograms) {
        std::fprintf(stderr, "%s: a bank holds 1 to %d program files (*.txt), found %zu\n", dir.string().c_str(),
                     kMaxPrograms, files.size());
        return 1;
    }

    std::vector<Program> programs(files.size());
    bool ok = true;
    for (std::size_t i = 0; i < files.size(); ++i)
        ok = loadProgram(files[i], programs[i]) && ok;
    if (!ok)
        return 1;

    // The first program is current.
    std::vector<BankEntry> entries;
    for (const auto& p : programs)
        entries.push_back({p.name, p.chunk.data(), static_cast<std::int32_t>(p.chunk.size())});
    const auto bank = writeBankChunk(entries, 0);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bank.data()), static_cast<std::streamsize>(bank.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
        return 1;
    }
    std::printf("ostrel-bankgen: %zu programs, %zu bytes\n", programs.size(), bank.size());
    return 0;
}
