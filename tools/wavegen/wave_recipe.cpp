#include "tools/wavegen/wave_recipe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>

#include "tools/wavegen/det_math.h"

namespace ostrel::wavegen {

namespace {

using Complex = std::complex<double>;

// Time-domain work (FM, sync, drawn shapes, waveshaping) is done on this many points per cycle,
// then analysed back into harmonics 1..63. Folding from harmonics near 8192 is below -70 dB.
constexpr int kTimePoints = 8192;

struct RootTable {
    std::vector<double> cosines;
    std::vector<double> sines;
    explicit RootTable(int n) : cosines(static_cast<std::size_t>(n)), sines(static_cast<std::size_t>(n))
    {
        for (int m = 0; m < n; ++m)
            sinCosTurns(static_cast<double>(m) / static_cast<double>(n), sines[static_cast<std::size_t>(m)],
                        cosines[static_cast<std::size_t>(m)]);
    }
};

const RootTable& roots(int n)
{
    static const RootTable small(kCycleLength);
    static const RootTable large(kTimePoints);
    return n == kCycleLength ? small : large;
}

// x[n] = sum_k Im(c_k e^(2 pi i k n / N)).
std::vector<double> synthesize(const Spectrum& spectrum, int n)
{
    const RootTable& table = roots(n);
    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    for (int k = 1; k <= kMaxHarmonic; ++k) {
        const double re = spectrum[static_cast<std::size_t>(k)].real();
        const double im = spectrum[static_cast<std::size_t>(k)].imag();
        if (re == 0.0 && im == 0.0)
            continue;
        for (int j = 0; j < n; ++j) {
            const auto m = static_cast<std::size_t>((static_cast<long long>(k) * j) % n);
            x[static_cast<std::size_t>(j)] += re * table.sines[m] + im * table.cosines[m];
        }
    }
    return x;
}

// The harmonics 1..63 of a sampled cycle (DC and everything above 63 dropped).
Spectrum analyse(const std::vector<double>& x)
{
    const int n = static_cast<int>(x.size());
    const RootTable& table = roots(n);
    Spectrum spectrum{};
    for (int k = 1; k <= kMaxHarmonic; ++k) {
        double a = 0.0; // sum x cos
        double b = 0.0; // sum x sin
        for (int j = 0; j < n; ++j) {
            const auto m = static_cast<std::size_t>((static_cast<long long>(k) * j) % n);
            a += x[static_cast<std::size_t>(j)] * table.cosines[m];
            b += x[static_cast<std::size_t>(j)] * table.sines[m];
        }
        spectrum[static_cast<std::size_t>(k)] = Complex(2.0 * b / n, 2.0 * a / n);
    }
    return spectrum;
}

std::vector<double> sampleFunction(const std::function<double(double)>& f)
{
    std::vector<double> x(static_cast<std::size_t>(kTimePoints));
    for (int j = 0; j < kTimePoints; ++j)
        x[static_cast<std::size_t>(j)] = f(static_cast<double>(j) / kTimePoints);
    return x;
}

double peakOf(const std::vector<double>& x)
{
    double peak = 0.0;
    for (double v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

Complex polar(double magnitude, double degrees)
{
    double s = 0.0;
    double c = 0.0;
    sinCosTurns(degrees / 360.0, s, c);
    return Complex(magnitude * c, magnitude * s);
}

double tiltGain(double harmonic, double dbPerOctave)
{
    return dbPerOctave == 0.0 ? 1.0 : powDet(harmonic, dbPerOctave / 6.0205999132796239);
}

class OpReader {
public:
    OpReader(const RecipeOp& recipeOp, std::string& errorText) : op(recipeOp), error(errorText) { }

    bool fail(const std::string& message)
    {
        if (error.empty())
            error = "line " + std::to_string(op.line) + ": " + op.name + ": " + message;
        return false;
    }

    static bool toNumber(const std::string& text, double& value)
    {
        if (text.empty())
            return false;
        char* end = nullptr;
        value = std::strtod(text.c_str(), &end);
        if (end != text.c_str() + text.size())
            return false;
        return std::isfinite(value);
    }

    double arg(std::size_t i)
    {
        double value = 0.0;
        if (i >= op.args.size()) {
            fail("missing argument " + std::to_string(i + 1));
            return 0.0;
        }
        if (!toNumber(op.args[i], value))
            fail("bad number '" + op.args[i] + "'");
        return value;
    }

    double arg(std::size_t i, double fallback) { return i < op.args.size() ? arg(i) : fallback; }

    double option(const std::string& key, double fallback)
    {
        used.insert(key);
        for (const auto& [k, v] : op.options) {
            if (k == key) {
                double value = 0.0;
                if (!toNumber(v, value))
                    fail("bad number for " + key);
                return value;
            }
        }
        return fallback;
    }

    bool hasFlag(const std::string& flag)
    {
        used.insert(flag);
        return std::find(op.args.begin(), op.args.end(), flag) != op.args.end();
    }

    // Fails when an option was given that the op does not know, or too many arguments.
    bool finish(std::size_t maxArgs)
    {
        for (const auto& [k, v] : op.options)
            if (used.count(k) == 0)
                return fail("unknown option " + k);
        if (op.args.size() > maxArgs)
            return fail("too many arguments");
        return error.empty();
    }

    const RecipeOp& op;
    std::string& error;
    std::set<std::string> used;
};

// Splits "a:b@c" into its numbers; c optional.
bool splitPair(const std::string& text, double& first, double& second, double& third, bool& hasThird)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    const auto at = text.find('@', colon);
    hasThird = at != std::string::npos;
    const std::string a = text.substr(0, colon);
    const std::string b = text.substr(colon + 1, hasThird ? at - colon - 1 : std::string::npos);
    if (!OpReader::toNumber(a, first) || !OpReader::toNumber(b, second))
        return false;
    if (hasThird && !OpReader::toNumber(text.substr(at + 1), third))
        return false;
    return true;
}

void addSpectrum(Spectrum& into, const Spectrum& add, double gain)
{
    for (int k = 1; k <= kMaxHarmonic; ++k)
        into[static_cast<std::size_t>(k)] += add[static_cast<std::size_t>(k)] * gain;
}

// Applies a memoryless curve to the wave (normalised to peak 1 first) and re-analyses it.
void shapeWave(Spectrum& spectrum, const std::function<double(double)>& curve)
{
    std::vector<double> x = synthesize(spectrum, kTimePoints);
    const double peak = peakOf(x);
    if (peak == 0.0)
        return;
    for (double& v : x)
        v = curve(v / peak);
    spectrum = analyse(x);
}

bool runOp(const RecipeOp& op, double pitchHz, Spectrum& s, std::string& error)
{
    OpReader r(op, error);
    const std::string& name = op.name;
    auto at = [&](int k) -> Complex& { return s[static_cast<std::size_t>(k)]; };
    auto validHarmonic = [](double k) { return k >= 1 && k <= kMaxHarmonic && k == std::floor(k); };

    if (name == "harm" || name == "harmdb") {
        if (op.args.empty())
            return r.fail("needs k:amplitude[@degrees] pairs");
        for (const std::string& text : op.args) {
            double k = 0.0;
            double a = 0.0;
            double deg = 0.0;
            bool hasPhase = false;
            if (!splitPair(text, k, a, deg, hasPhase) || !validHarmonic(k))
                return r.fail("bad harmonic '" + text + "'");
            at(static_cast<int>(k)) += polar(name == "harm" ? a : dbToGain(a), deg);
        }
        return r.finish(op.args.size());
    }
    if (name == "saw" || name == "square" || name == "triangle" || name == "string") {
        const double base = r.option("at", 1.0);
        const double amp = r.option("amp", 1.0);
        const double upto = r.option("upto", kMaxHarmonic);
        const double tilt = r.option("tilt", 0.0);
        const double phase = r.option("phase", 0.0);
        const double pos = name == "string" ? r.option("pos", 0.5) : 0.0;
        const double decay = name == "string" ? r.option("decay", 1.0) : 0.0;
        if (!r.finish(0))
            return false;
        if (!validHarmonic(base))
            return r.fail("at= must be a harmonic number");
        for (int j = 1; j * base <= std::min(upto, static_cast<double>(kMaxHarmonic)); ++j) {
            double a = 0.0;
            if (name == "saw")
                a = 1.0 / j;
            else if (name == "square")
                a = (j % 2 == 1) ? 1.0 / j : 0.0;
            else if (name == "triangle")
                a = (j % 2 == 1) ? ((j % 4 == 1) ? 1.0 : -1.0) / (static_cast<double>(j) * j) : 0.0;
            else // string: displaced at `pos` of its length (pluck decay 2, strike decay 1)
                a = sinTurns(0.5 * j * pos) / powDet(j, decay);
            if (a != 0.0)
                at(static_cast<int>(j * base)) += polar(amp * a * tiltGain(j, tilt), phase);
        }
        return true;
    }
    if (name == "pulse") {
        const double width = r.option("width", 0.5);
        const double amp = r.option("amp", 1.0);
        const double base = r.option("at", 1.0);
        if (!r.finish(0))
            return false;
        if (!(width > 0.0 && width < 1.0) || !validHarmonic(base))
            return r.fail("width must be in (0, 1), at= a harmonic number");
        // A pulse high for `width` of the cycle, centred on width/2: harmonic j has
        // sin(pi j w) / (pi j w) relative to the flat spectrum of an impulse, in cosine phase.
        for (int j = 1; j * base <= kMaxHarmonic; ++j) {
            const double a = sinTurns(0.5 * j * width) / (kPi * j * width);
            at(static_cast<int>(j * base)) += polar(amp * a, 90.0 - 180.0 * j * width);
        }
        return true;
    }
    if (name == "cluster") {
        const double centre = r.option("centre", 8.0);
        const double width = r.option("width", 1.0);
        const double amp = r.option("amp", 1.0);
        const double phase = r.option("phase", 0.0);
        if (!r.finish(0))
            return false;
        if (width <= 0.0)
            return r.fail("width must be positive");
        for (int k = 1; k <= kMaxHarmonic; ++k) {
            const double d = (k - centre) / width;
            if (d * d > 40.0)
                continue;
            at(k) += polar(amp * expDet(-0.5 * d * d), phase);
        }
        return true;
    }
    if (name == "drawbars") {
        // Nine drawbars 16' 5 1/3' 8' 4' 2 2/3' 2' 1 3/5' 1 1/3' 1', each 0..8, 3 dB a step.
        // base=8 (default): the 8' pipe is harmonic 1, so 16' and 5 1/3' must be 0.
        // base=16: the 16' pipe is harmonic 1 (the cycle sounds an octave lower).
        const double base = r.option("base", 8.0);
        if (!r.finish(1))
            return false;
        std::string digits = op.args.empty() ? std::string() : op.args[0];
        if (digits.size() != 9 || digits.find_first_not_of("012345678") != std::string::npos)
            return r.fail("needs nine digits 0..8");
        static constexpr int kHarmonics16[] = {1, 3, 2, 4, 6, 8, 10, 12, 16};
        for (int i = 0; i < 9; ++i) {
            const int d = digits[static_cast<std::size_t>(i)] - '0';
            if (d == 0)
                continue;
            int k = kHarmonics16[i];
            if (base == 8.0) {
                if (k % 2 != 0)
                    return r.fail("16' and 5 1/3' need base=16");
                k /= 2;
            } else if (base != 16.0) {
                return r.fail("base must be 8 or 16");
            }
            at(k) += polar(dbToGain(-3.0 * (8 - d)), 0.0);
        }
        return true;
    }
    if (name == "fm" || name == "feedback" || name == "sync" || name == "shape") {
        const double amp = r.option("amp", 1.0);
        std::vector<double> x;
        if (name == "fm") {
            const double carrier = r.option("carrier", 1.0);
            const double ratio = r.option("ratio", 1.0);
            const double index = r.option("index", 1.0);
            if (!r.finish(0))
                return false;
            x = sampleFunction(
                [&](double t) { return sinTurns(carrier * t + index / (2.0 * kPi) * sinTurns(ratio * t)); });
        } else if (name == "feedback") {
            // y = sin(2 pi t + beta y), solved by bisection (unique for beta <= 1).
            const double beta = r.option("beta", 1.0);
            if (!r.finish(0))
                return false;
            if (beta < 0.0 || beta > 1.0)
                return r.fail("beta must be in 0..1");
            x = sampleFunction([&](double t) {
                double lo = -1.0;
                double hi = 1.0;
                for (int i = 0; i < 64; ++i) {
                    const double mid = 0.5 * (lo + hi);
                    if (mid - sinTurns(t + beta * mid / (2.0 * kPi)) < 0.0)
                        lo = mid;
                    else
                        hi = mid;
                }
                return 0.5 * (lo + hi);
            });
        } else if (name == "sync") {
            // A sine at `ratio` times the fundamental, restarted every cycle (hard sync).
            const double ratio = r.option("ratio", 2.0);
            if (!r.finish(0))
                return false;
            x = sampleFunction([&](double t) { return sinTurns(ratio * t); });
        } else {
            // Drawn shape: breakpoints t:v with t rising from 0 to 1 (a repeated t is a jump);
            // straight lines between them, wrapping from the last point to the first.
            if (!r.finish(op.args.size()))
                return false;
            std::vector<std::pair<double, double>> points;
            for (const std::string& text : op.args) {
                double t = 0.0;
                double v = 0.0;
                double unused = 0.0;
                bool third = false;
                if (!splitPair(text, t, v, unused, third) || third || t < 0.0 || t > 1.0
                    || (!points.empty() && t < points.back().first))
                    return r.fail("bad breakpoint '" + text + "'");
                points.emplace_back(t, v);
            }
            if (points.size() < 2)
                return r.fail("needs at least two breakpoints");
            x = sampleFunction([&](double t) {
                // Last breakpoint at or before t (the later of equal ones), then the next.
                std::size_t i = 0;
                bool before = true;
                for (std::size_t p = 0; p < points.size(); ++p) {
                    if (points[p].first <= t) {
                        i = p;
                        before = false;
                    }
                }
                if (before) { // t before the first point: between the last and first, wrapped
                    const auto& a = points.back();
                    const auto& b = points.front();
                    const double span = b.first + 1.0 - a.first;
                    return span <= 0.0 ? b.second : a.second + (b.second - a.second) * (t + 1.0 - a.first) / span;
                }
                const auto& a = points[i];
                const auto& b = i + 1 < points.size() ? points[i + 1] : points.front();
                const double bt = i + 1 < points.size() ? b.first : b.first + 1.0;
                const double span = bt - a.first;
                return span <= 0.0 ? a.second : a.second + (b.second - a.second) * (t - a.first) / span;
            });
        }
        addSpectrum(s, analyse(x), amp);
        return true;
    }
    if (name == "formant") {
        // Cascade resonator (a two-pole formant, unity gain at 0 Hz, peak F/B at F), complex:
        // it shapes phases as a vocal tract does.
        const double f = r.arg(0);
        const double b = r.arg(1);
        if (!r.finish(2))
            return false;
        if (f <= 0.0 || b <= 0.0)
            return r.fail("centre and bandwidth must be positive");
        for (int k = 1; k <= kMaxHarmonic; ++k) {
            const double hz = k * pitchHz;
            at(k) *= Complex(f * f, 0.0) / Complex(f * f - hz * hz, hz * b);
        }
        return true;
    }
    if (name == "boost") {
        // Gain bump of `db` at `hz`, Gaussian over log frequency with `octaves` deviation.
        const double hz = r.arg(0);
        const double octaves = r.arg(1);
        const double db = r.arg(2);
        if (!r.finish(3))
            return false;
        if (hz <= 0.0 || octaves <= 0.0)
            return r.fail("centre and width must be positive");
        for (int k = 1; k <= kMaxHarmonic; ++k) {
            const double d = logDet(k * pitchHz / hz) / (0.69314718055994530942 * octaves);
            at(k) *= dbToGain(db * expDet(-0.5 * d * d));
        }
        return true;
    }
    if (name == "tilt") {
        const double db = r.arg(0);
        if (!r.finish(1))
            return false;
        for (int k = 1; k <= kMaxHarmonic; ++k)
            at(k) *= tiltGain(k, db);
        return true;
    }
    if (name == "lowpass" || name == "highpass") {
        const double corner = r.arg(0);
        const double order = r.option("order", 2.0);
        if (!r.finish(1))
            return false;
        if (corner <= 0.0 || order <= 0.0)
            return r.fail("corner and order must be positive");
        for (int k = 1; k <= kMaxHarmonic; ++k) {
            const double ratio = name == "lowpass" ? k / corner : corner / k;
            at(k) *= 1.0 / std::sqrt(1.0 + powDet(ratio, 2.0 * order));
        }
        return true;
    }
    if (name == "scale") {
        const double k = r.arg(0);
        const double gain = r.arg(1);
        if (!r.finish(2))
            return false;
        if (!validHarmonic(k))
            return r.fail("bad harmonic");
        at(static_cast<int>(k)) *= gain;
        return true;
    }
    if (name == "remove") {
        if (op.args.empty())
            return r.fail("needs harmonic numbers");
        for (std::size_t i = 0; i < op.args.size(); ++i) {
            const double k = r.arg(i);
            if (!validHarmonic(k))
                return r.fail("bad harmonic");
            at(static_cast<int>(k)) = 0.0;
        }
        return r.finish(op.args.size());
    }
    if (name == "keep") {
        const double lo = r.arg(0);
        const double hi = r.arg(1);
        if (!r.finish(2))
            return false;
        for (int k = 1; k <= kMaxHarmonic; ++k)
            if (k < lo || k > hi)
                at(k) = 0.0;
        return true;
    }
    if (name == "odd" || name == "even") {
        if (!r.finish(0))
            return false;
        for (int k = 1; k <= kMaxHarmonic; ++k)
            if ((k % 2 == 1) != (name == "odd"))
                at(k) = 0.0;
        return true;
    }
    if (name == "phases") {
        // Re-phase every present harmonic, keeping its magnitude: sine, cosine, alternate
        // (0/180 degrees), schroeder (low crest factor: -180 k^2 / K degrees) or random SEED.
        if (op.args.empty())
            return r.fail("needs a mode");
        const std::string mode = op.args[0];
        const double seed = mode == "random" ? r.arg(1) : 0.0;
        if (!r.finish(mode == "random" ? 2 : 1))
            return false;
        std::uint32_t state = static_cast<std::uint32_t>(seed) * 2654435761u + 12345u;
        int highest = 1;
        for (int k = 1; k <= kMaxHarmonic; ++k)
            if (std::abs(at(k)) > 0.0)
                highest = k;
        for (int k = 1; k <= kMaxHarmonic; ++k) {
            const double magnitude = std::abs(at(k));
            double deg = 0.0;
            if (mode == "sine")
                deg = 0.0;
            else if (mode == "cosine")
                deg = 90.0;
            else if (mode == "alternate")
                deg = k % 2 == 0 ? 180.0 : 0.0;
            else if (mode == "schroeder")
                deg = -180.0 * k * k / highest;
            else if (mode == "random") {
                state = state * 1664525u + 1013904223u;
                deg = 360.0 * static_cast<double>(state >> 8) / 16777216.0;
            } else
                return r.fail("unknown mode " + mode);
            at(k) = polar(magnitude, deg);
        }
        return true;
    }
    if (name == "power") {
        // sign(x) |x|^p: p > 1 pinches the peaks narrow, p < 1 swells them square.
        const double p = r.arg(0);
        if (!r.finish(1))
            return false;
        if (p <= 0.0)
            return r.fail("power must be positive");
        shapeWave(s, [p](double v) { return v < 0.0 ? -powDet(-v, p) : powDet(v, p); });
        return true;
    }
    if (name == "clip") {
        // Soft (u / sqrt(1 + u^2)) or hard clipping of drive * x + bias; a bias makes the
        // clipping asymmetric and adds even harmonics, as a fuzz does.
        const double drive = r.option("drive", 2.0);
        const double bias = r.option("bias", 0.0);
        const bool hard = r.hasFlag("hard");
        if (!r.finish(hard ? 1 : 0))
            return false;
        auto curve = [hard](double u) { return hard ? std::clamp(u, -1.0, 1.0) : u / std::sqrt(1.0 + u * u); };
        shapeWave(s, [drive, bias, curve](double v) { return curve(v * drive + bias) - curve(bias); });
        return true;
    }
    if (name == "fold") {
        const double drive = r.option("drive", 2.0);
        if (!r.finish(0))
            return false;
        shapeWave(s, [drive](double v) { return sinTurns(0.25 * drive * v); });
        return true;
    }
    if (name == "rectify") {
        if (!r.finish(0))
            return false;
        shapeWave(s, [](double v) { return std::fabs(v); });
        return true;
    }
    if (name == "quantize") {
        const double steps = r.arg(0);
        if (!r.finish(1))
            return false;
        if (steps < 1.0)
            return r.fail("needs at least one step");
        shapeWave(s, [steps](double v) { return nearest(v * steps) / steps; });
        return true;
    }
    return r.fail("unknown operation");
}

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

bool parseRecipes(const std::string& text, std::vector<WaveRecipe>& recipes, std::string& error)
{
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    WaveRecipe* current = nullptr;
    while (std::getline(in, raw)) {
        ++lineNumber;
        const auto hash = raw.find('#');
        std::string line = trim(hash == std::string::npos ? raw : raw.substr(0, hash));
        if (line.empty())
            continue;
        std::istringstream tokens(line);
        std::string head;
        tokens >> head;
        auto fail = [&](const std::string& message) {
            error = "line " + std::to_string(lineNumber) + ": " + message;
            return false;
        };
        if (head == "wave") {
            // wave INDEX "NAME"
            WaveRecipe recipe;
            recipe.line = lineNumber;
            if (!(tokens >> recipe.index))
                return fail("wave needs an index");
            const auto open = line.find('"');
            const auto close = line.rfind('"');
            if (open == std::string::npos || close == open)
                return fail("wave needs a quoted name");
            recipe.name = line.substr(open + 1, close - open - 1);
            recipes.push_back(recipe);
            current = &recipes.back();
            continue;
        }
        if (current == nullptr)
            return fail("'" + head + "' before the first wave");
        if (head == "why") {
            // The rest of the line (comments stripped) is the rationale.
            current->why = trim(line.substr(3));
            continue;
        }
        if (head == "pitch") {
            double hz = 0.0;
            if (!(tokens >> hz) || hz <= 0.0)
                return fail("pitch needs a frequency in Hz");
            current->pitchHz = hz;
            continue;
        }
        RecipeOp op;
        op.line = lineNumber;
        op.name = head;
        std::string token;
        while (tokens >> token) {
            const auto eq = token.find('=');
            if (eq != std::string::npos)
                op.options.emplace_back(token.substr(0, eq), token.substr(eq + 1));
            else
                op.args.push_back(token);
        }
        current->ops.push_back(op);
    }
    return true;
}

bool renderSpectrum(const WaveRecipe& recipe, Spectrum& spectrum, std::string& error)
{
    spectrum.fill(Complex(0.0, 0.0));
    for (const RecipeOp& op : recipe.ops)
        if (!runOp(op, recipe.pitchHz, spectrum, error))
            return false;
    return true;
}

std::array<std::uint16_t, kCycleLength> toCodes(const Spectrum& spectrum)
{
    const std::vector<double> x = synthesize(spectrum, kCycleLength);
    const double peak = peakOf(x);
    std::array<std::uint16_t, kCycleLength> codes{};
    for (int j = 0; j < kCycleLength; ++j) {
        const double scaled = peak > 0.0 ? x[static_cast<std::size_t>(j)] * (kPeakCode / peak) : 0.0;
        codes[static_cast<std::size_t>(j)] = static_cast<std::uint16_t>(2048 + static_cast<int>(nearest(scaled)));
    }
    return codes;
}

} // namespace ostrel::wavegen
