#pragma once

// The groups of host-level checks kept in files of their own.
#include "host/vst_abi.h"
#include "loader.h"

#include <string>

namespace hosttest {

// lifecycle.cpp: how a host ends (each way in a child process), sample-rate changes, suspend.
int runEnding(const char* plugin, const std::string& ending);
void testEndings(const char* plugin);
void testLifecycle(PluginLibrary& lib);

// boundary.cpp: reports while being built, re-entrant hosts, what a chunk's values show the
// host, output pins, automatable indices.
void testBoundary(PluginLibrary& lib);

// keyboard.cpp: sustain pedal, all sound off, reset controllers.
void testKeyboardControllers(PluginLibrary& lib);

// editor.cpp: the editor opcodes without a window (the window itself: tests/windowtest).
void testEditorOpcodes(vst::AEffect* e);

} // namespace hosttest
