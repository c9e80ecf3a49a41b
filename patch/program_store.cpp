#include "patch/program_store.h"

#include "patch/bank_chunk.h"
#include "patch/patch.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

namespace {

std::vector<unsigned char> chunkOf(const Patch& patch)
{
    std::vector<unsigned char> chunk(static_cast<std::size_t>(kProgramChunkSize));
    chunk.resize(static_cast<std::size_t>(patch.writeChunk(chunk.data())));
    return chunk;
}

} // namespace

ProgramStore::ProgramStore(Patch& patch) : patch_(patch)
{
    for (std::int32_t i = 0; i < kProgramCount; ++i) {
        Program& program = programs_[static_cast<std::size_t>(i)];
        program.name = "Init " + std::to_string(i);
        patch_.setName(program.name);
        program.chunk = chunkOf(patch_);
    }
    patch_.setName(programs_[0].name);
}

std::int32_t ProgramStore::current() const
{
    std::lock_guard lock(lock_);
    return current_;
}

std::string ProgramStore::name(std::int32_t index) const
{
    if (index < 0 || index >= kProgramCount)
        return {};
    std::lock_guard lock(lock_);
    return programs_[static_cast<std::size_t>(index)].name;
}

void ProgramStore::storeLiveLocked()
{
    if (loadsUnderWay_ == 0)
        programs_[static_cast<std::size_t>(current_)].chunk = chunkOf(patch_);
}

void ProgramStore::loadPatch(const unsigned char* data, std::int32_t size)
{
    struct UnderWay {
        explicit UnderWay(ProgramStore& s) : store(s)
        {
            std::lock_guard lock(store.lock_);
            ++store.loadsUnderWay_;
        }
        ~UnderWay()
        {
            std::lock_guard lock(store.lock_);
            --store.loadsUnderWay_;
        }
        ProgramStore& store;
    } underWay(*this);
    patch_.readChunk(data, size);
}

void ProgramStore::load(std::int32_t p, WriteBack writeBack)
{
    std::vector<unsigned char> chunk;
    {
        std::lock_guard lock(lock_);
        if (writeBack == WriteBack::Yes)
            storeLiveLocked();
        current_ = p;
        chunk = programs_[static_cast<std::size_t>(p)].chunk;
    }
    loadPatch(chunk.data(), static_cast<std::int32_t>(chunk.size()));
}

void ProgramStore::setProgram(std::int32_t p)
{
    if (p < 0 || p >= kProgramCount)
        return;
    load(p, WriteBack::Yes);
}

void ProgramStore::renameCurrent(const char* name)
{
    if (!name)
        return;
    std::lock_guard lock(lock_);
    Program& program = programs_[static_cast<std::size_t>(current_)];
    program.name.assign(name, strnlen(name, kPatchNameLength));
    patch_.setName(program.name);
}

void ProgramStore::loadIntoCurrent(const unsigned char* data, std::int32_t size)
{
    if (!data || size <= 0)
        return;
    loadPatch(data, size);
    std::lock_guard lock(lock_);
    programs_[static_cast<std::size_t>(current_)].name = patch_.name();
}

std::vector<unsigned char> ProgramStore::writeBank() const
{
    std::lock_guard lock(lock_);
    const std::vector<unsigned char> live = loadsUnderWay_ == 0 ? chunkOf(patch_) : std::vector<unsigned char>();
    std::vector<BankEntry> entries;
    entries.reserve(static_cast<std::size_t>(kProgramCount));
    for (std::int32_t i = 0; i < kProgramCount; ++i) {
        const Program& program = programs_[static_cast<std::size_t>(i)];
        const std::vector<unsigned char>& chunk = i == current_ && !live.empty() ? live : program.chunk;
        entries.push_back({program.name, chunk.data(), static_cast<std::int32_t>(chunk.size())});
    }
    return writeBankChunk(entries, current_);
}

bool ProgramStore::readBank(const unsigned char* data, std::int32_t size)
{
    BankReader reader(data, size);
    if (!reader.isBank())
        return false;
    {
        std::lock_guard lock(lock_);
        // Programs the walk does not reach keep what they held.
        BankEntry entry;
        for (std::int32_t i = 0; i < kProgramCount && reader.next(entry); ++i) {
            Program& program = programs_[static_cast<std::size_t>(i)];
            program.name = entry.name;
            program.chunk.assign(entry.chunk, entry.chunk + std::min(entry.size, kProgramCapacity));
        }
    }
    const std::int32_t bankCurrent = reader.current();
    load(bankCurrent >= 0 && bankCurrent < kProgramCount ? bankCurrent : 0, WriteBack::No);
    return true;
}

} // namespace ostrel
