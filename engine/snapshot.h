#pragma once

#include "engine/modulation.h"
#include "engine/voice_params.h"

namespace ostrel {

class Patch;

// Reads every engine setting of the patch through the parameters' value views (one
// per-parameter lock each, nothing else) into `params` and `mod` (amounts and routing flags;
// the global outputs and the bend are left alone) and returns the voice count 1..32.
//
// Values a program chunk may carry outside the parameter ranges are made safe here: floats are
// clamped into their parameter's range (NaN takes the bottom of the range), wave indices outside
// the bank play the silent wave, filter modes, loop settings and repeat counts outside their
// tables become 0. In-range values pass unchanged.
int snapshotParameters(Patch& patch, VoiceParams& params, ModState& mod) noexcept;

// Seconds of a filter or amplitude envelope time setting (0..1): 10^(3 value) * 10 ms.
double envelopeSeconds(double setting) noexcept;

// Linear volume gain of a setting in decibels: 0 below -39 dB, otherwise 10^(dB / 20).
double volumeGainOf(double decibels) noexcept;

} // namespace ostrel
