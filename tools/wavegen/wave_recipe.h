#pragma once

// The wave recipes of resources/waves.txt and their rendering into 128-sample cycles of 12-bit
// codes. The recipe language is described at the top of resources/waves.txt.

#include <array>
#include <complex>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::wavegen {

inline constexpr int kCycleLength = 128;
inline constexpr int kMaxHarmonic = 63; // a 128-sample cycle holds harmonics 1..63
// Peak of every normalised wave, in codes around the centre 2048 (codes 16..4080).
inline constexpr int kPeakCode = 2032;

// One recipe line: an operation name, its positional arguments and key=value options.
struct RecipeOp {
    int line = 0;
    std::string name;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> options;
};

struct WaveRecipe {
    int line = 0;
    int index = -1;
    std::string name;
    std::string why;
    double pitchHz = 261.6255653005986; // middle C: formant frequencies are placed for it
    std::vector<RecipeOp> ops;
};

// Parses the recipe file text. Returns false and sets `error` ("line N: ...") on a syntax error.
bool parseRecipes(const std::string& text, std::vector<WaveRecipe>& recipes, std::string& error);

// Harmonic k (1..63) of a wave as the complex amplitude c: the component is |c| sin(2 pi k t + arg c).
using Spectrum = std::array<std::complex<double>, kMaxHarmonic + 1>;

// Runs a recipe's operations. Returns false and sets `error` on an unknown or malformed op.
bool renderSpectrum(const WaveRecipe& recipe, Spectrum& spectrum, std::string& error);

// The 128 codes (0..4095, centre 2048) of a spectrum, peak-normalised to kPeakCode.
std::array<std::uint16_t, kCycleLength> toCodes(const Spectrum& spectrum);

} // namespace ostrel::wavegen
