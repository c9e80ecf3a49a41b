#pragma once

#include "patch/chunk_format.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace ostrel {

class Patch;

// The 128 programs of the plug-in, each kept as a program chunk with its name, around the one
// live Patch that plays the current program.
//
// Thread safety: one lock of the store's own guards the names, the stored chunks and the
// current program number; every operation may come from any thread but the audio thread,
// which never calls the store. The lock is never held while the patch is loaded: a load
// notifies the patch's listeners, which report to the host, and the host may call back.
// While a load is under way the live patch is half old and half new, so nothing writes it
// back into a program or a bank then; the program being loaded stands for it.
class ProgramStore {
public:
    static constexpr std::int32_t kProgramCount = 128;

    // Every program starts as a copy of the patch as it stands (the Init patch), named
    // "Init 0" to "Init 127"; program 0 is current and the patch is named "Init 0".
    explicit ProgramStore(Patch& patch);
    ProgramStore(const ProgramStore&) = delete;
    ProgramStore& operator=(const ProgramStore&) = delete;

    std::int32_t current() const;
    // The program's name; empty for an index outside 0..127.
    std::string name(std::int32_t index) const;

    // Writes the live patch back into the current program, so that it keeps its edits, then
    // loads program p. A number outside 0..127 changes nothing.
    void setProgram(std::int32_t p);
    // Renames the current program and the patch; at most 24 characters, fewer when a
    // terminator comes first.
    void renameCurrent(const char* name);
    // Loads a program chunk into the patch (data that is not one changes nothing); the
    // current program takes the patch's name.
    void loadIntoCurrent(const unsigned char* data, std::int32_t size);

    // The bank chunk of all programs; the current one is written fresh from the live patch.
    std::vector<unsigned char> writeBank() const;
    // Installs a bank chunk: the names and chunks of its complete entries (at most 128; a
    // chunk longer than kProgramCapacity is cut), then loads the bank's current program (0
    // when it names none of ours) without writing the live patch back, since the patch no
    // longer belongs to any program of the new bank. False, and nothing changed, when the data
    // is not a bank.
    bool readBank(const unsigned char* data, std::int32_t size);

private:
    struct Program {
        std::string name;
        std::vector<unsigned char> chunk;
    };
    enum class WriteBack { No, Yes };

    // Makes p current and loads it, storing the live patch first when asked. Called without
    // the lock; takes it around the store's own data only.
    void load(std::int32_t p, WriteBack writeBack);
    // Loads a program chunk into the patch outside the lock, marked as a load under way.
    void loadPatch(const unsigned char* data, std::int32_t size);
    void storeLiveLocked();

    Patch& patch_;
    mutable std::mutex lock_;
    std::array<Program, kProgramCount> programs_;
    std::int32_t current_ = 0;
    int loadsUnderWay_ = 0;
};

} // namespace ostrel
