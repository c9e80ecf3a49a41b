#include "dsp/filter_tables.h"

#include "dsp/portable_math.h"

#include <cmath>
#include <map>
#include <mutex>
#include <numbers>

namespace ostrel {

namespace {

const std::array<float, FilterTables::kSaturationSize>& saturationTable()
{
    // Function-local static: built once, thread-safe, never written afterwards.
    static const std::array<float, FilterTables::kSaturationSize> table = [] {
        std::array<float, FilterTables::kSaturationSize> t{};
        for (int k = 0; k < FilterTables::kSaturationSize; ++k)
            t[static_cast<std::size_t>(k)] =
                static_cast<float>(portable::tanh(static_cast<double>(k - FilterTables::kSaturationCentre) / 128.0));
        return t;
    }();
    return table;
}

std::shared_ptr<const FilterTables> buildTables(std::uint32_t sampleRate)
{
    auto tables = std::make_shared<FilterTables>();
    tables->sampleRate = sampleRate;
    tables->saturation = &saturationTable();
    const double rate = static_cast<double>(sampleRate);
    for (int i = 0; i < FilterTables::kCutoffSize; ++i) {
        double f = 20.0 * portable::exp2(static_cast<double>(i) / 32.0 - 3.0);
        if (f > rate / 3.0)
            f = rate / 3.0;
        const double fc = 2.0 * f / rate;
        // Polynomial fits of the one-pole coefficient and of the loop-gain loss of the
        // ladder with its half-sample averaging stage, over normalised frequency.
        const double tuning = 1.0
            - portable::exp(-std::numbers::pi * fc * (1.873 * fc * fc * fc + 0.4955 * fc * fc - 0.649 * fc + 0.9988));
        const double resonance = -3.9364 * fc * fc + 1.8409 * fc + 0.9968;
        tables->tuning[static_cast<std::size_t>(i)] = static_cast<float>(tuning);
        tables->resonance[static_cast<std::size_t>(i)] = static_cast<float>(resonance);
    }
    return tables;
}

} // namespace

std::shared_ptr<const FilterTables> FilterTables::forSampleRate(std::uint32_t sampleRate)
{
    // Weak entries: a rate's tables are freed when its last filter goes away and rebuilt
    // if the rate is asked for again. The lock guards only this map.
    static std::mutex mutex;
    static std::map<std::uint32_t, std::weak_ptr<const FilterTables>> cache;

    std::lock_guard<std::mutex> lock(mutex);
    auto& entry = cache[sampleRate];
    if (auto existing = entry.lock())
        return existing;
    auto created = buildTables(sampleRate);
    entry = created;
    return created;
}

} // namespace ostrel
