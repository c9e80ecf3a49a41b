#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ostrel::bankgen {

// One program of a bank folder: its file's stem ("01-sawpad1"), its name and its program
// chunk as the plug-in writes it.
struct ProgramFile {
    std::string stem;
    std::string name;
    std::vector<unsigned char> chunk;
};

// Reads the program texts (*.txt, one program per file, in file-name order) of a bank folder,
// each applied to the Init patch. Problems are reported on standard error as FILE:LINE:
// message; the result is then false.
bool loadProgramFolder(const std::filesystem::path& dir, std::vector<ProgramFile>& programs);

} // namespace ostrel::bankgen
