#pragma once

#include <cstddef>

namespace ostrel {

// The bytes of one module resource.
struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

// Finds a module resource by type name and numeric id; empty when absent.
using ResourceFinder = ResourceBytes (*)(const char* type, int id);

// What a binary needs of the module's shared data: the sound (the wave bank "WAVES" 118 and
// the default bank "XDAT" 119), and for binaries that show the editor also the toolkit's
// resource package (index "xRes" 111 into blob "xDat" 110).
enum class ModuleParts { Sound, SoundAndGui };

// Builds the module's shared, read-only data on the first call, once, whatever the thread,
// before any instance exists. Returns whether it is there. A failed build (the resource
// package cannot be made) calls onFailure (when given) once, and is not tried again. Never
// throws.
bool moduleAttached(ResourceFinder find, ModuleParts parts, void (*onFailure)() = nullptr) noexcept;

// Releases what the first call built; called when the binary is unloaded.
void moduleUnloading() noexcept;

// The default bank remembered at the first call (empty when the module carries none).
ResourceBytes defaultBankResource();

} // namespace ostrel
