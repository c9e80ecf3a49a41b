#pragma once

// The MIDI both builds' renders are compared on (the DLL's and the .so's, and the VST 2 .so's
// and the LV2 bundle's): notes, overlapping and stolen, a mod wheel move, bends, channel
// pressure and all-notes-off, at frames that fall inside and across host blocks.
namespace hosttest {

struct TimedMidi {
    int frame, status, d1, d2;
};

inline constexpr TimedMidi kRenderScript[] = {
    {0, 0x90, 48, 100},     {5, 0x90, 55, 90},         {1234, 0x90, 60, 110},     {4410, 0x90, 64, 70},
    {9000, 0xB0, 1, 100},   {12001, 0xE0, 0x00, 0x60}, {15000, 0x80, 48, 0},      {17777, 0xD0, 90, 0},
    {20000, 0x90, 72, 127}, {22050, 0x90, 76, 60},     {26000, 0xE0, 0x00, 0x40}, {30000, 0x80, 55, 0},
    {33333, 0x80, 60, 0},   {40000, 0x90, 43, 100},    {52000, 0xB0, 123, 0},     {60000, 0x90, 67, 80},
    {75000, 0x80, 67, 0},
};

// Frames rendered per program.
inline constexpr int kRenderFrames = 88200;

} // namespace hosttest
