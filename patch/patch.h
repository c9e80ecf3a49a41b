#pragma once

#include "patch/chunk_format.h"
#include "patch/param.h"
#include "patch/patch_sizes.h"
#include "patch/registry.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ostrel {

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

    // Grows with every change of any parameter, through any view, from any thread. A reader
    // that remembers it knows, without reading a parameter, when none has changed since.
    std::uint32_t changeCount() const noexcept { return changes_->count.load(std::memory_order_acquire); }

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

    // Listens to every parameter; reference counted, as the parameters hold it too.
    struct ChangeCounter final : vellum::xListener {
        std::atomic<std::uint32_t> count{0};
        void valueChanged() override { count.fetch_add(1, std::memory_order_release); }
    };
    ChangeCounter* changes_ = new ChangeCounter();

    // The parameters outlive the registry, whose forwarders listen to them.
    std::vector<std::unique_ptr<xParam>> params_;
    ParameterRegistry registry_;
    mutable std::mutex nameLock_;
    std::string name_;
};

} // namespace ostrel
