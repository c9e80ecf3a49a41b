#include "host/module.h"

#include "dsp/wave_bank.h"
#include "gui/resource_package.h"

namespace ostrel {

namespace {
platform::Bytes gDefaultBank;
}

bool attachModule()
{
    // The toolkit's bitmaps and fonts: index "xRes" 111 pointing into blob "xDat" 110.
    const platform::Bytes index = platform::findResource("xRes", 111);
    const platform::Bytes blob = platform::findResource("xDat", 110);
    if (!vellum::createPackage(reinterpret_cast<const char*>(index.data), index.size, blob.data, blob.size)) {
        platform::messageBox("Resource file \"resources.dat\" couldn't be found.", "Vellum error",
                             platform::BoxKind::Warning);
        return false;
    }
    // The wave bank, built once per process; a missing resource leaves it silent.
    auto wavesResource = platform::findResource("WAVES", 118);
    buildWaveBank(wavesResource.data, wavesResource.size);
    gDefaultBank = platform::findResource("XDAT", 119);
    return true;
}

void detachModule()
{
    vellum::destroyPackage();
    gDefaultBank = {};
}

platform::Bytes defaultBankResource()
{
    return gDefaultBank;
}

} // namespace ostrel
