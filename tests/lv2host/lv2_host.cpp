#include "lv2_host.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>

#include <algorithm>
#include <cstring>

namespace lv2host {

namespace {
constexpr const char* kProgramChunkKey = "urn:ostrel:synth#programChunk";
constexpr std::size_t kMidiCapacity = 8192; // bytes of the MIDI port's buffer
} // namespace

// ---- URID map ------------------------------------------------------------------------------

UridMap::UridMap()
    : map_{this, mapCallback},
      unmap_{this, unmapCallback},
      feature_{LV2_URID__map, &map_},
      unmapFeature_{LV2_URID__unmap, &unmap_}
{ }

LV2_URID UridMap::map(const char* uri)
{
    const auto found = ids_.find(uri);
    if (found != ids_.end())
        return found->second;
    const auto id = static_cast<LV2_URID>(ids_.size() + 1);
    uris_.push_back(&ids_.emplace(uri, id).first->first);
    return id;
}

const char* UridMap::unmap(LV2_URID id) const
{
    return id >= 1 && id <= uris_.size() ? uris_[id - 1]->c_str() : nullptr;
}

const char* UridMap::unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID id)
{
    return static_cast<const UridMap*>(handle)->unmap(id);
}

LV2_URID UridMap::mapCallback(LV2_URID_Map_Handle handle, const char* uri)
{
    return static_cast<UridMap*>(handle)->map(uri);
}

// ---- world ---------------------------------------------------------------------------------

World::World(const std::string& bundleDir) : world_(lilv_world_new())
{
    features_ = {urids_.feature(), urids_.unmapFeature(), nullptr};
    std::string dir = bundleDir;
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, dir.c_str());
    lilv_world_load_specifications(world_);
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world_, "urn:ostrel:synth");
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);
    if (!plugin_)
        return;
    LilvNode* presetClass = lilv_new_uri(world_, LV2_PRESETS__Preset);
    LilvNodes* related = lilv_plugin_get_related(plugin_, presetClass);
    LILV_FOREACH(nodes, i, related)
    {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world_, preset);
        presets_.emplace_back(lilv_node_as_uri(preset));
    }
    std::sort(presets_.begin(), presets_.end());
    lilv_nodes_free(related);
    lilv_node_free(presetClass);
}

World::~World()
{
    lilv_world_free(world_);
}

LilvState* World::presetState(const std::string& uri)
{
    LilvNode* node = lilv_new_uri(world_, uri.c_str());
    LilvState* state = lilv_state_new_from_world(world_, urids_.handle(), node);
    lilv_node_free(node);
    return state;
}

std::uint32_t World::portIndex(const char* symbol)
{
    LilvNode* s = lilv_new_string(world_, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin_, s);
    lilv_node_free(s);
    return port ? lilv_port_get_index(plugin_, port) : UINT32_MAX;
}

// ---- instance ------------------------------------------------------------------------------

Instance::Instance(World& world, double rate) : world_(world)
{
    const LilvPlugin* plugin = world.plugin();
    instance_ = lilv_plugin_instantiate(plugin, rate, world.features());
    if (!instance_)
        return;
    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    controls_.assign(ports, 0.0f);
    std::vector<float> defaults(ports, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    midi_.assign(kMidiCapacity / sizeof(std::uint64_t), 0);
    LilvNode* audio = lilv_new_uri(world.world(), LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri(world.world(), LV2_CORE__ControlPort);
    LilvNode* atom = lilv_new_uri(world.world(), LV2_ATOM__AtomPort);
    for (std::uint32_t i = 0; i < ports; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        if (lilv_port_is_a(plugin, port, control)) {
            controls_[i] = defaults[i];
            lilv_instance_connect_port(instance_, i, &controls_[i]);
        } else if (lilv_port_is_a(plugin, port, atom)) {
            lilv_instance_connect_port(instance_, i, midi_.data());
        } else if (lilv_port_is_a(plugin, port, audio)) {
            lilv_instance_connect_port(instance_, i, nullptr); // connected by run()
        }
    }
    lilv_node_free(audio);
    lilv_node_free(control);
    lilv_node_free(atom);
}

Instance::~Instance()
{
    if (instance_) {
        if (active_)
            lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
}

void Instance::setPortValue(const char* symbol, void* userData, const void* value, std::uint32_t size,
                            std::uint32_t type)
{
    auto* self = static_cast<Instance*>(userData);
    const std::uint32_t index = self->world_.portIndex(symbol);
    if (index < self->controls_.size() && size == sizeof(float) && type == self->world_.urids().map(LV2_ATOM__Float))
        std::memcpy(&self->controls_[index], value, sizeof(float));
}

const void* Instance::getPortValue(const char* symbol, void* userData, std::uint32_t* size, std::uint32_t* type)
{
    auto* self = static_cast<Instance*>(userData);
    const std::uint32_t index = self->world_.portIndex(symbol);
    if (index >= self->controls_.size()) {
        *size = 0;
        *type = 0;
        return nullptr;
    }
    *size = sizeof(float);
    *type = self->world_.urids().map(LV2_ATOM__Float);
    return &self->controls_[index];
}

void Instance::restore(const LilvState* state, bool portsToo)
{
    lilv_state_restore(state, instance_, portsToo ? setPortValue : nullptr, this, 0, world_.features());
}

void Instance::restorePortsOnly(const LilvState* state)
{
    lilv_state_restore(state, nullptr, setPortValue, this, 0, world_.features());
}

LilvState* Instance::save()
{
    return lilv_state_new_from_instance(world_.plugin(), instance_, world_.urids().handle(), nullptr, nullptr, nullptr,
                                        nullptr, getPortValue, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                        world_.features());
}

namespace {

struct Captured {
    LV2_URID key;
    std::vector<unsigned char> bytes;
};

LV2_State_Status storeChunk(LV2_State_Handle handle, std::uint32_t key, const void* value, std::size_t size,
                            std::uint32_t type, std::uint32_t flags)
{
    (void)type;
    (void)flags;
    auto* captured = static_cast<Captured*>(handle);
    if (key == captured->key) {
        const auto* bytes = static_cast<const unsigned char*>(value);
        captured->bytes.assign(bytes, bytes + size);
    }
    return LV2_STATE_SUCCESS;
}

struct Offered {
    LV2_URID key;
    const void* data;
    std::size_t size;
    LV2_URID type;
};

const void* retrieveChunk(LV2_State_Handle handle, std::uint32_t key, std::size_t* size, std::uint32_t* type,
                          std::uint32_t* flags)
{
    const auto* offered = static_cast<const Offered*>(handle);
    if (key != offered->key)
        return nullptr;
    *size = offered->size;
    *type = offered->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return offered->data;
}

const LV2_State_Interface* stateInterface(LilvInstance* instance)
{
    return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
}

} // namespace

std::vector<unsigned char> Instance::savedChunk()
{
    Captured captured{world_.urids().map(kProgramChunkKey), {}};
    if (const LV2_State_Interface* state = stateInterface(instance_))
        state->save(lilv_instance_get_handle(instance_), storeChunk, &captured, LV2_STATE_IS_POD, world_.features());
    return captured.bytes;
}

LV2_State_Status Instance::restoreChunk(const void* data, std::size_t size, LV2_URID type)
{
    Offered offered{world_.urids().map(kProgramChunkKey), data, size, type};
    const LV2_State_Interface* state = stateInterface(instance_);
    return state ? state->restore(lilv_instance_get_handle(instance_), retrieveChunk, &offered, 0, world_.features())
                 : LV2_STATE_ERR_UNKNOWN;
}

void Instance::activate()
{
    lilv_instance_activate(instance_);
    active_ = true;
}

void Instance::deactivate()
{
    lilv_instance_deactivate(instance_);
    active_ = false;
}

void Instance::run(int frames, const std::vector<MidiEvent>& events, std::vector<float>& interleaved)
{
    // The MIDI port's sequence: header, then each event (time, size and type, 3 bytes) padded
    // to 8 bytes.
    UridMap& urids = world_.urids();
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(midi_.data());
    sequence->atom.type = urids.map(LV2_ATOM__Sequence);
    sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
    sequence->body.unit = 0;
    sequence->body.pad = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(midi_.data());
    for (const MidiEvent& e : events) {
        const std::size_t offset = sizeof(LV2_Atom) + sequence->atom.size;
        auto* event = reinterpret_cast<LV2_Atom_Event*>(bytes + offset);
        event->time.frames = e.frame;
        event->body.size = 3;
        event->body.type = urids.map(LV2_MIDI__MidiEvent);
        auto* data = reinterpret_cast<unsigned char*>(event + 1);
        data[0] = static_cast<unsigned char>(e.status);
        data[1] = static_cast<unsigned char>(e.d1);
        data[2] = static_cast<unsigned char>(e.d2);
        sequence->atom.size += static_cast<std::uint32_t>(sizeof(LV2_Atom_Event) + 8);
    }
    left_.assign(static_cast<std::size_t>(frames), 7.0f);
    right_.assign(static_cast<std::size_t>(frames), 7.0f);
    const LilvPlugin* plugin = world_.plugin();
    LilvNode* audio = lilv_new_uri(world_.world(), LV2_CORE__AudioPort);
    int outputs = 0;
    for (std::uint32_t i = 0; i < lilv_plugin_get_num_ports(plugin); ++i) {
        if (lilv_port_is_a(plugin, lilv_plugin_get_port_by_index(plugin, i), audio))
            lilv_instance_connect_port(instance_, i, outputs++ == 0 ? left_.data() : right_.data());
    }
    lilv_node_free(audio);
    countAllocations(countInRun_);
    lilv_instance_run(instance_, static_cast<std::uint32_t>(frames));
    countAllocations(false);
    for (int i = 0; i < frames; ++i) {
        interleaved.push_back(left_[static_cast<std::size_t>(i)]);
        interleaved.push_back(right_[static_cast<std::size_t>(i)]);
    }
}

void Instance::play(const MidiEvent* script, std::size_t count, int totalFrames, const std::vector<int>& blocks,
                    std::vector<float>& interleaved)
{
    std::size_t next = 0;
    std::size_t block = 0;
    for (int start = 0; start < totalFrames; ++block) {
        const int n = std::min(blocks[block % blocks.size()], totalFrames - start);
        std::vector<MidiEvent> events;
        while (next < count && script[next].frame < start + n) {
            MidiEvent e = script[next++];
            e.frame -= start;
            events.push_back(e);
        }
        run(n, events, interleaved);
        start += n;
    }
}

} // namespace lv2host
