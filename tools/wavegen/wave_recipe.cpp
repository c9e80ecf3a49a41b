#include "tools/wavegen/wave_recipe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>
#include <string_view>

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

// What an operation works on: its recipe line (through the reader), the recipe's pitch and the
// spectrum being built.
struct OpContext {
    OpReader& r;
    double pitchHz;
    Spectrum& s;

    const std::string& name() const { return r.op.name; }
    Complex& at(int k) { return s[static_cast<std::size_t>(k)]; }
};

bool validHarmonic(double k)
{
    return k >= 1 && k <= kMaxHarmonic && k == std::floor(k);
}

// ---- spectra -----------------------------------------------------------------------------

// harm / harmdb k:amplitude[@degrees] ...: adds single harmonics (amplitude linear or in dB).
bool addHarmonics(OpContext& c)
{
    if (c.r.op.args.empty())
        return c.r.fail("needs k:amplitude[@degrees] pairs");
    for (const std::string& text : c.r.op.args) {
        double k = 0.0;
        double a = 0.0;
        double deg = 0.0;
        bool hasPhase = false;
        if (!splitPair(text, k, a, deg, hasPhase) || !validHarmonic(k))
            return c.r.fail("bad harmonic '" + text + "'");
        c.at(static_cast<int>(k)) += polar(c.name() == "harm" ? a : dbToGain(a), deg);
    }
    return c.r.finish(c.r.op.args.size());
}

// saw / square / triangle / string: the classic series on harmonic `at` and its multiples.
bool addSeries(OpContext& c)
{
    const std::string& name = c.name();
    const double base = c.r.option("at", 1.0);
    const double amp = c.r.option("amp", 1.0);
    const double upto = c.r.option("upto", kMaxHarmonic);
    const double tilt = c.r.option("tilt", 0.0);
    const double phase = c.r.option("phase", 0.0);
    const double pos = name == "string" ? c.r.option("pos", 0.5) : 0.0;
    const double decay = name == "string" ? c.r.option("decay", 1.0) : 0.0;
    if (!c.r.finish(0))
        return false;
    if (!validHarmonic(base))
        return c.r.fail("at= must be a harmonic number");
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
            c.at(static_cast<int>(j * base)) += polar(amp * a * tiltGain(j, tilt), phase);
    }
    return true;
}

bool addPulse(OpContext& c)
{
    const double width = c.r.option("width", 0.5);
    const double amp = c.r.option("amp", 1.0);
    const double base = c.r.option("at", 1.0);
    if (!c.r.finish(0))
        return false;
    if (!(width > 0.0 && width < 1.0) || !validHarmonic(base))
        return c.r.fail("width must be in (0, 1), at= a harmonic number");
    // A pulse high for `width` of the cycle, centred on width/2: harmonic j has
    // sin(pi j w) / (pi j w) relative to the flat spectrum of an impulse, in cosine phase.
    for (int j = 1; j * base <= kMaxHarmonic; ++j) {
        const double a = sinTurns(0.5 * j * width) / (kPi * j * width);
        c.at(static_cast<int>(j * base)) += polar(amp * a, 90.0 - 180.0 * j * width);
    }
    return true;
}

bool addCluster(OpContext& c)
{
    const double centre = c.r.option("centre", 8.0);
    const double width = c.r.option("width", 1.0);
    const double amp = c.r.option("amp", 1.0);
    const double phase = c.r.option("phase", 0.0);
    if (!c.r.finish(0))
        return false;
    if (width <= 0.0)
        return c.r.fail("width must be positive");
    for (int k = 1; k <= kMaxHarmonic; ++k) {
        const double d = (k - centre) / width;
        if (d * d > 40.0)
            continue;
        c.at(k) += polar(amp * expDet(-0.5 * d * d), phase);
    }
    return true;
}

bool addDrawbars(OpContext& c)
{
    // Nine drawbars 16' 5 1/3' 8' 4' 2 2/3' 2' 1 3/5' 1 1/3' 1', each 0..8, 3 dB a step.
    // base=8 (default): the 8' pipe is harmonic 1, so 16' and 5 1/3' must be 0.
    // base=16: the 16' pipe is harmonic 1 (the cycle sounds an octave lower).
    const double base = c.r.option("base", 8.0);
    if (!c.r.finish(1))
        return false;
    std::string digits = c.r.op.args.empty() ? std::string() : c.r.op.args[0];
    if (digits.size() != 9 || digits.find_first_not_of("012345678") != std::string::npos)
        return c.r.fail("needs nine digits 0..8");
    static constexpr int kHarmonics16[] = {1, 3, 2, 4, 6, 8, 10, 12, 16};
    for (int i = 0; i < 9; ++i) {
        const int d = digits[static_cast<std::size_t>(i)] - '0';
        if (d == 0)
            continue;
        int k = kHarmonics16[i];
        if (base == 8.0) {
            if (k % 2 != 0)
                return c.r.fail("16' and 5 1/3' need base=16");
            k /= 2;
        } else if (base != 16.0) {
            return c.r.fail("base must be 8 or 16");
        }
        c.at(k) += polar(dbToGain(-3.0 * (8 - d)), 0.0);
    }
    return true;
}

// ---- cycles drawn in time, analysed into harmonics and added with gain amp= ---------------

bool addFm(OpContext& c)
{
    const double amp = c.r.option("amp", 1.0);
    const double carrier = c.r.option("carrier", 1.0);
    const double ratio = c.r.option("ratio", 1.0);
    const double index = c.r.option("index", 1.0);
    if (!c.r.finish(0))
        return false;
    const auto cycle = [&](double t) { return sinTurns(carrier * t + index / (2.0 * kPi) * sinTurns(ratio * t)); };
    addSpectrum(c.s, analyse(sampleFunction(cycle)), amp);
    return true;
}

bool addFeedback(OpContext& c)
{
    // y = sin(2 pi t + beta y), solved by bisection (unique for beta <= 1).
    const double amp = c.r.option("amp", 1.0);
    const double beta = c.r.option("beta", 1.0);
    if (!c.r.finish(0))
        return false;
    if (beta < 0.0 || beta > 1.0)
        return c.r.fail("beta must be in 0..1");
    const auto cycle = [&](double t) {
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
    };
    addSpectrum(c.s, analyse(sampleFunction(cycle)), amp);
    return true;
}

bool addSync(OpContext& c)
{
    // A sine at `ratio` times the fundamental, restarted every cycle (hard sync).
    const double amp = c.r.option("amp", 1.0);
    const double ratio = c.r.option("ratio", 2.0);
    if (!c.r.finish(0))
        return false;
    const auto cycle = [&](double t) { return sinTurns(ratio * t); };
    addSpectrum(c.s, analyse(sampleFunction(cycle)), amp);
    return true;
}

bool addShape(OpContext& c)
{
    // Drawn shape: breakpoints t:v with t rising from 0 to 1 (a repeated t is a jump);
    // straight lines between them, wrapping from the last point to the first.
    const double amp = c.r.option("amp", 1.0);
    if (!c.r.finish(c.r.op.args.size()))
        return false;
    std::vector<std::pair<double, double>> points;
    for (const std::string& text : c.r.op.args) {
        double t = 0.0;
        double v = 0.0;
        double unused = 0.0;
        bool third = false;
        if (!splitPair(text, t, v, unused, third) || third || t < 0.0 || t > 1.0
            || (!points.empty() && t < points.back().first))
            return c.r.fail("bad breakpoint '" + text + "'");
        points.emplace_back(t, v);
    }
    if (points.size() < 2)
        return c.r.fail("needs at least two breakpoints");
    const auto cycle = [&](double t) {
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
    };
    addSpectrum(c.s, analyse(sampleFunction(cycle)), amp);
    return true;
}

// ---- filters on the spectrum -------------------------------------------------------------

bool applyFormant(OpContext& c)
{
    // Cascade resonator (a two-pole formant, unity gain at 0 Hz, peak F/B at F), complex:
    // it shapes phases as a vocal tract does.
    const double f = c.r.arg(0);
    const double b = c.r.arg(1);
    if (!c.r.finish(2))
        return false;
    if (f <= 0.0 || b <= 0.0)
        return c.r.fail("centre and bandwidth must be positive");
    for (int k = 1; k <= kMaxHarmonic; ++k) {
        const double hz = k * c.pitchHz;
        c.at(k) *= Complex(f * f, 0.0) / Complex(f * f - hz * hz, hz * b);
    }
    return true;
}

bool applyBoost(OpContext& c)
{
    // Gain bump of `db` at `hz`, Gaussian over log frequency with `octaves` deviation.
    const double hz = c.r.arg(0);
    const double octaves = c.r.arg(1);
    const double db = c.r.arg(2);
    if (!c.r.finish(3))
        return false;
    if (hz <= 0.0 || octaves <= 0.0)
        return c.r.fail("centre and width must be positive");
    for (int k = 1; k <= kMaxHarmonic; ++k) {
        const double d = logDet(k * c.pitchHz / hz) / (0.69314718055994530942 * octaves);
        c.at(k) *= dbToGain(db * expDet(-0.5 * d * d));
    }
    return true;
}

bool applyTilt(OpContext& c)
{
    const double db = c.r.arg(0);
    if (!c.r.finish(1))
        return false;
    for (int k = 1; k <= kMaxHarmonic; ++k)
        c.at(k) *= tiltGain(k, db);
    return true;
}

// lowpass / highpass CORNER [order=N]: Butterworth-like magnitude around harmonic CORNER.
bool applyPass(OpContext& c)
{
    const double corner = c.r.arg(0);
    const double order = c.r.option("order", 2.0);
    if (!c.r.finish(1))
        return false;
    if (corner <= 0.0 || order <= 0.0)
        return c.r.fail("corner and order must be positive");
    for (int k = 1; k <= kMaxHarmonic; ++k) {
        const double ratio = c.name() == "lowpass" ? k / corner : corner / k;
        c.at(k) *= 1.0 / std::sqrt(1.0 + powDet(ratio, 2.0 * order));
    }
    return true;
}

bool applyScale(OpContext& c)
{
    const double k = c.r.arg(0);
    const double gain = c.r.arg(1);
    if (!c.r.finish(2))
        return false;
    if (!validHarmonic(k))
        return c.r.fail("bad harmonic");
    c.at(static_cast<int>(k)) *= gain;
    return true;
}

bool applyRemove(OpContext& c)
{
    if (c.r.op.args.empty())
        return c.r.fail("needs harmonic numbers");
    for (std::size_t i = 0; i < c.r.op.args.size(); ++i) {
        const double k = c.r.arg(i);
        if (!validHarmonic(k))
            return c.r.fail("bad harmonic");
        c.at(static_cast<int>(k)) = 0.0;
    }
    return c.r.finish(c.r.op.args.size());
}

bool applyKeep(OpContext& c)
{
    const double lo = c.r.arg(0);
    const double hi = c.r.arg(1);
    if (!c.r.finish(2))
        return false;
    for (int k = 1; k <= kMaxHarmonic; ++k)
        if (k < lo || k > hi)
            c.at(k) = 0.0;
    return true;
}

// odd / even: keeps only the odd or only the even harmonics.
bool applyParity(OpContext& c)
{
    if (!c.r.finish(0))
        return false;
    for (int k = 1; k <= kMaxHarmonic; ++k)
        if ((k % 2 == 1) != (c.name() == "odd"))
            c.at(k) = 0.0;
    return true;
}

bool applyPhases(OpContext& c)
{
    // Re-phase every present harmonic, keeping its magnitude: sine, cosine, alternate
    // (0/180 degrees), schroeder (low crest factor: -180 k^2 / K degrees) or random SEED.
    if (c.r.op.args.empty())
        return c.r.fail("needs a mode");
    const std::string mode = c.r.op.args[0];
    const double seed = mode == "random" ? c.r.arg(1) : 0.0;
    if (!c.r.finish(mode == "random" ? 2 : 1))
        return false;
    std::uint32_t state = static_cast<std::uint32_t>(seed) * 2654435761u + 12345u;
    int highest = 1;
    for (int k = 1; k <= kMaxHarmonic; ++k)
        if (std::abs(c.at(k)) > 0.0)
            highest = k;
    for (int k = 1; k <= kMaxHarmonic; ++k) {
        const double magnitude = std::abs(c.at(k));
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
            return c.r.fail("unknown mode " + mode);
        c.at(k) = polar(magnitude, deg);
    }
    return true;
}

// ---- memoryless curves on the wave (normalised to peak 1 first) ----------------------------

bool shapePower(OpContext& c)
{
    // sign(x) |x|^p: p > 1 pinches the peaks narrow, p < 1 swells them square.
    const double p = c.r.arg(0);
    if (!c.r.finish(1))
        return false;
    if (p <= 0.0)
        return c.r.fail("power must be positive");
    shapeWave(c.s, [p](double v) { return v < 0.0 ? -powDet(-v, p) : powDet(v, p); });
    return true;
}

bool shapeClip(OpContext& c)
{
    // Soft (u / sqrt(1 + u^2)) or hard clipping of drive * x + bias; a bias makes the
    // clipping asymmetric and adds even harmonics, as a fuzz does.
    const double drive = c.r.option("drive", 2.0);
    const double bias = c.r.option("bias", 0.0);
    const bool hard = c.r.hasFlag("hard");
    if (!c.r.finish(hard ? 1 : 0))
        return false;
    auto curve = [hard](double u) { return hard ? std::clamp(u, -1.0, 1.0) : u / std::sqrt(1.0 + u * u); };
    shapeWave(c.s, [drive, bias, curve](double v) { return curve(v * drive + bias) - curve(bias); });
    return true;
}

bool shapeFold(OpContext& c)
{
    const double drive = c.r.option("drive", 2.0);
    if (!c.r.finish(0))
        return false;
    shapeWave(c.s, [drive](double v) { return sinTurns(0.25 * drive * v); });
    return true;
}

bool shapeRectify(OpContext& c)
{
    if (!c.r.finish(0))
        return false;
    shapeWave(c.s, [](double v) { return std::fabs(v); });
    return true;
}

bool shapeQuantize(OpContext& c)
{
    const double steps = c.r.arg(0);
    if (!c.r.finish(1))
        return false;
    if (steps < 1.0)
        return c.r.fail("needs at least one step");
    shapeWave(c.s, [steps](double v) { return nearest(v * steps) / steps; });
    return true;
}

// Every operation of the recipe language by name. Several names share a function that reads
// the name (harm and harmdb, the four series, lowpass and highpass, odd and even).
struct Operation {
    std::string_view name;
    bool (*run)(OpContext&);
};
// clang-format off
constexpr Operation kOperations[] = {
    {"harm", addHarmonics},    {"harmdb", addHarmonics},  {"saw", addSeries},        {"square", addSeries},
    {"triangle", addSeries},   {"string", addSeries},     {"pulse", addPulse},       {"cluster", addCluster},
    {"drawbars", addDrawbars}, {"fm", addFm},             {"feedback", addFeedback}, {"sync", addSync},
    {"shape", addShape},       {"formant", applyFormant}, {"boost", applyBoost},     {"tilt", applyTilt},
    {"lowpass", applyPass},    {"highpass", applyPass},   {"scale", applyScale},     {"remove", applyRemove},
    {"keep", applyKeep},       {"odd", applyParity},      {"even", applyParity},     {"phases", applyPhases},
    {"power", shapePower},     {"clip", shapeClip},       {"fold", shapeFold},       {"rectify", shapeRectify},
    {"quantize", shapeQuantize},
};
// clang-format on

bool runOp(const RecipeOp& op, double pitchHz, Spectrum& s, std::string& error)
{
    OpReader r(op, error);
    for (const Operation& operation : kOperations) {
        if (operation.name == op.name) {
            OpContext context{r, pitchHz, s};
            return operation.run(context);
        }
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
