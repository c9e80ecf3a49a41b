#include "instance/module_data.h"

#include "dsp/wave_bank.h"
#include "gui/resource_package.h"

#include <mutex>

namespace ostrel {

namespace {

std::once_flag gAttachOnce;
bool gAttached = false;
bool gPackageBuilt = false;
ResourceBytes gDefaultBank;

bool attach(ResourceFinder find, ModuleParts parts)
{
    if (parts == ModuleParts::SoundAndGui) {
        const ResourceBytes index = find("xRes", 111);
        const ResourceBytes blob = find("xDat", 110);
        if (!vellum::createPackage(reinterpret_cast<const char*>(index.data), index.size, blob.data, blob.size))
            return false;
        gPackageBuilt = true;
    }
    // The wave bank, built once per process; a missing resource leaves it silent.
    const ResourceBytes waves = find("WAVES", 118);
    buildWaveBank(waves.data, waves.size);
    gDefaultBank = find("XDAT", 119);
    return true;
}

} // namespace

bool moduleAttached(ResourceFinder find, ModuleParts parts, void (*onFailure)()) noexcept
{
    try {
        std::call_once(gAttachOnce, [&] {
            try {
                gAttached = find && attach(find, parts);
            } catch (...) {
                gAttached = false;
            }
            if (!gAttached && onFailure)
                onFailure();
        });
    } catch (...) {
        return false;
    }
    return gAttached;
}

void moduleUnloading() noexcept
{
    if (gPackageBuilt)
        vellum::destroyPackage();
    gPackageBuilt = false;
    gAttached = false;
    gDefaultBank = {};
}

ResourceBytes defaultBankResource()
{
    return gDefaultBank;
}

} // namespace ostrel
