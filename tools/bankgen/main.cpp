// ostrel-bankgen: builds the default bank (resource "XDAT" 119, resources/default_bank.bin)
// from the program texts of resources/bank/, one file per program, in file-name order.
//
//   ostrel-bankgen BANK_DIR OUTPUT
//
// Each program starts from the Init patch; its file sets what differs (see program_text.h).
// The programs are written with Patch::writeChunk and the bank with writeBankChunk, so the bank
// holds exactly what the plug-in itself writes. Problems are reported as FILE:LINE: message and nothing is written.

#include "patch/bank_chunk.h"
#include "tools/bankgen/program_folder.h"

#include <cstdio>
#include <fstream>
#include <vector>

int main(int argc, char** argv)
{
    using namespace ostrel;
    if (argc != 3) {
        std::fprintf(stderr, "usage: ostrel-bankgen BANK_DIR OUTPUT\n");
        return 2;
    }
    std::vector<bankgen::ProgramFile> programs;
    if (!bankgen::loadProgramFolder(argv[1], programs))
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
