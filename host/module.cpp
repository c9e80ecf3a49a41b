#include "host/module.h"

namespace ostrel {

namespace {
platform::Bytes gDefaultBank;
}

bool attachModule()
{
    gDefaultBank = platform::findResource("XDAT", 119);
    return true;
}

void detachModule()
{
    gDefaultBank = {};
}

platform::Bytes defaultBankResource()
{
    return gDefaultBank;
}

} // namespace ostrel
