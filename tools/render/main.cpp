// ostrel-render: plays a Standard MIDI File or the built-in demo through a VST 2 instrument
// plug-in, loaded through its binary interface only, and writes the result as a WAV file.
#include "tools/render/options.h"
#include "tools/render/render.h"

#include <cstdio>
#include <span>
#include <string>

int main(int argc, char** argv)
{
    using namespace ostrel::render;
    Options options;
    std::string error;
    const std::span<const char* const> args(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
    switch (parseOptions(args, options, error)) {
    case ParseStatus::Help: std::fputs(usageText().c_str(), stdout); return 0;
    case ParseStatus::Error:
        std::fprintf(stderr, "ostrel-render: %s\n", error.c_str());
        std::fputs("usage: ostrel-render --plugin PATH (--midi FILE | --demo) [options]; see --help\n", stderr);
        return 2;
    case ParseStatus::Run: break;
    }
    return runRender(options);
}
