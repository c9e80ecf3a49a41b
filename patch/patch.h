#pragma once

#include "patch/chunk_format.h"
#include "patch/param.h"
#include "patch/registry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ostrel {

// Sizes of the patch's parameter groups.
inline constexpr int kOscCount = 4;
inline constexpr int kMixPointCount = 5;
inline constexpr int kMixTimeCount = 4;
inline constexpr int kFilterLevelCount = 5;
inline constexpr int kFilterTimeCount = 4;
inline constexpr int kAmpLevelCount = 4;
inline constexpr int kAmpTimeCount = 4;
inline constexpr int kLfoCount = 2;
inline constexpr int kModRows = 7;
inline constexpr int kModColumns = 15;
inline constexpr int kPanCount = 8;
inline constexpr int kLoopModeCount = 7;
inline constexpr int kRepeatCount = 8;
inline constexpr int kLfoWaveCount = 6;
inline constexpr int kFilterModeCount = 16;
inline constexpr int kFilterTypeCount = 4;

// Which modulation cells exist: a character other than a blank marks a cell.
extern const std::array<const char*, kModRows> modRouteMask;
bool modRouteExists(int row, int column);

// The sound of the current program. Every setting is a parameter object; the 128 host
// parameters are registered in construction order, which is the host index order.
class Patch {
public:
    // The sink receives an automation report for every change of a registered parameter.
    explicit Patch(AutomationSink* sink);
    ~Patch();
    Patch(const Patch&) = delete;
    Patch& operator=(const Patch&) = delete;

    // Sets every field to its default.
    void initPatch();

    std::string name() const;
    // Keeps at most 24 characters.
    void setName(const std::string& name);

    // Program chunk: writes into destination (when given) and returns the size in bytes.
    std::int32_t writeChunk(unsigned char* destination) const;
    std::int32_t chunkSize() const { return writeChunk(nullptr); }
    // Loads a program chunk of the given length; data that is not a program chunk changes
    // nothing. Never reads past length.
    void readChunk(const unsigned char* data, std::int32_t length);

    ParameterRegistry& registry() { return registry_; }
    const ParameterRegistry& registry() const { return registry_; }

    std::array<xIntParam*, kOscCount> oscWaveform{};
    std::array<xFloatParam*, kOscCount> oscTune{};
    std::array<xFloatParam*, kOscCount> oscFinetune{};
    std::array<xFloatParam*, kMixTimeCount> mixTime{};
    std::array<xFloatParam*, kMixPointCount> mixX{};
    std::array<xFloatParam*, kMixPointCount> mixY{};
    xIntParam* mixLoop = nullptr;
    xIntParam* mixRepeat = nullptr;
    xFloatParam* cutoff = nullptr;
    xFloatParam* resonance = nullptr;
    xFloatParam* filterEnvAmount = nullptr;
    std::array<xFloatParam*, kFilterLevelCount> filterLevel{};
    std::array<xFloatParam*, kFilterTimeCount> filterTime{};
    xIntParam* filterLoop = nullptr;
    xIntParam* filterRepeat = nullptr;
    std::array<xFloatParam*, kAmpLevelCount> ampLevel{};
    std::array<xFloatParam*, kAmpTimeCount> ampTime{};
    xIntParam* ampLoop = nullptr;
    xIntParam* ampRepeat = nullptr;
    std::array<xFloatParam*, kLfoCount> lfoRate{};
    std::array<xIntParam*, kLfoCount> lfoWave{};
    std::array<xFloatParam*, kModRows> modAmount{};
    // Absent cells are null.
    std::array<std::array<xIntParam*, kModColumns>, kModRows> modRoute{};
    xFloatParam* volume = nullptr;
    xFloatParam* chorusRate = nullptr;
    xFloatParam* chorusDepth = nullptr;
    xIntParam* chorusOn = nullptr;
    std::array<xFloatParam*, kPanCount> pan{};
    xIntParam* filterType = nullptr;
    xIntParam* filterMode = nullptr;
    xFloatParam* polyphony = nullptr;

private:
    xFloatParam* addFloat(const std::string& name, const std::string& label, float min, float max, int decimals,
                          xValueMapping* mapping, vellum::xValueFormatter* formatter, bool registered = true);
    xIntParam* addInt(const std::string& name, std::int32_t count, IntTextCallback* text, bool registered = true);
    void registerParam(xParam* param);

    // The parameters outlive the registry, whose forwarders listen to them.
    std::vector<std::unique_ptr<xParam>> params_;
    ParameterRegistry registry_;
    mutable std::mutex nameLock_;
    std::string name_;
};

} // namespace ostrel
