#pragma once

// A small LV2 host over Debian's lilv for the bundle's tests: it finds the plug-in and its
// presets through lilv, instantiates it with a URID map, connects every port, restores states
// (lilv's own restore, or the plug-in's state interface called directly with chosen data) and
// plays MIDI as atom sequences. Everything goes through lilv and the LV2 interface only.
#include <lilv/lilv.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lv2host {

// Allocations through operator new anywhere in the process (the plug-in's included) while
// counting is on; this program replaces the global allocation functions.
void countAllocations(bool on);
long allocationsCounted();

struct MidiEvent {
    int frame, status, d1, d2;
};

class UridMap {
public:
    UridMap();
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID id) const;
    const LV2_Feature* feature() { return &feature_; }
    const LV2_Feature* unmapFeature() { return &unmapFeature_; }
    LV2_URID_Map* handle() { return &map_; }
    LV2_URID_Unmap* unmapHandle() { return &unmap_; }

private:
    static LV2_URID mapCallback(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID id);
    std::map<std::string, LV2_URID> ids_;
    std::vector<const std::string*> uris_; // by id - 1; the map's keys stay where they are
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
    LV2_Feature feature_;
    LV2_Feature unmapFeature_;
};

// The world with the bundle loaded, the plug-in and its presets (in URI order, which is the
// program order of the default bank).
class World {
public:
    explicit World(const std::string& bundleDir);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    bool ok() const { return plugin_ != nullptr; }
    LilvWorld* world() { return world_; }
    const LilvPlugin* plugin() { return plugin_; }
    UridMap& urids() { return urids_; }
    const LV2_Feature* const* features() { return features_.data(); }
    const std::vector<std::string>& presets() const { return presets_; }
    // The preset's state as lilv reads it from the bundle; null when not found.
    LilvState* presetState(const std::string& uri);
    std::uint32_t portIndex(const char* symbol);

private:
    LilvWorld* world_;
    const LilvPlugin* plugin_ = nullptr;
    UridMap urids_;
    std::array<const LV2_Feature*, 3> features_{};
    std::vector<std::string> presets_;
};

// One instance with its port buffers. Control ports start at the plug-in's defaults.
class Instance {
public:
    Instance(World& world, double rate);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool ok() const { return instance_ != nullptr; }
    // Counts the allocations made inside the plug-in's run() from now on (allocationsCounted).
    void countAllocationsInRun(bool on) { countInRun_ = on; }
    float& control(std::uint32_t index) { return controls_[index]; }
    // lilv's restore: the state interface, then the port values (unless portsToo is false).
    void restore(const LilvState* state, bool portsToo = true);
    // lilv's restore of the port values only, as a host without state support would do.
    void restorePortsOnly(const LilvState* state);
    LilvState* save();
    // The program chunk the plug-in stores, through its state interface.
    std::vector<unsigned char> savedChunk();
    // The plug-in's restore called directly with this property (key = the program chunk URI).
    LV2_State_Status restoreChunk(const void* data, std::size_t size, LV2_URID type);
    void activate();
    void deactivate();
    // Runs `frames` frames with the events (frames relative to this block); appends the output,
    // left and right interleaved.
    void run(int frames, const std::vector<MidiEvent>& events, std::vector<float>& interleaved);
    // Plays a script of events at absolute frames in blocks of the given sizes (cycled).
    void play(const MidiEvent* script, std::size_t count, int totalFrames, const std::vector<int>& blocks,
              std::vector<float>& interleaved);

private:
    static void setPortValue(const char* symbol, void* userData, const void* value, std::uint32_t size,
                             std::uint32_t type);
    static const void* getPortValue(const char* symbol, void* userData, std::uint32_t* size, std::uint32_t* type);

    World& world_;
    LilvInstance* instance_ = nullptr;
    std::vector<float> controls_;
    std::vector<std::uint64_t> midi_;
    std::vector<float> left_, right_;
    bool active_ = false;
    bool countInRun_ = false;
};

} // namespace lv2host
