#pragma once

#include "gui/subject.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace ostrel {

class xParam;

// Whoever reports parameter changes to the host (the plug-in object).
class AutomationSink {
public:
    virtual ~AutomationSink() = default;
    virtual void setParameterAutomated(std::int32_t index, float value) = 0;
    // A user's gesture on the parameter of that index begins or ends (a drag in the editor,
    // a click); the changes it makes are reported in between.
    virtual void gestureBegan(std::int32_t index) { (void)index; }
    virtual void gestureEnded(std::int32_t index) { (void)index; }
};

// Host access to one registered parameter.
struct ParameterAdapter {
    xParam* param = nullptr;
    vellum::xFloatView* normalized = nullptr;
    vellum::xTextView* text = nullptr;
};

// Listens to a parameter's normalized view and reports every change to the host as automation
// of its index, and every gesture as its begin and end. Gestures that overlap (two controls of
// one parameter) are reported as one: begin at the first, end at the last.
class AutomationForwarder final : public vellum::xListener {
public:
    AutomationForwarder(AutomationSink* sink, vellum::xFloatView* view, std::int32_t index)
        : sink_(sink),
          view_(view),
          index_(index)
    { }
    void valueChanged() override;
    void gestureBegan() override;
    void gestureEnded() override;

private:
    AutomationSink* sink_;
    vellum::xFloatView* view_;
    std::int32_t index_;
    std::atomic<int> gestures_{0}; // gestures going on
};

// Host parameter index 0..127 to parameter. Indices are handed out in registration order.
class ParameterRegistry {
public:
    static constexpr std::int32_t kCapacity = 128;

    explicit ParameterRegistry(AutomationSink* sink) : sink_(sink) { }
    ~ParameterRegistry();
    ParameterRegistry(const ParameterRegistry&) = delete;
    ParameterRegistry& operator=(const ParameterRegistry&) = delete;

    // Returns the index given, or -1 when the table is full.
    std::int32_t add(const ParameterAdapter& adapter, bool withAutomation);

    std::int32_t count() const { return count_; }
    const ParameterAdapter* find(std::int32_t index) const;

    // Host operations; indices without a parameter are ignored (set) or answered with 0.0 and
    // empty texts.
    void set(std::int32_t index, float x) const;
    float get(std::int32_t index) const;
    std::string name(std::int32_t index) const;
    std::string label(std::int32_t index) const;
    std::string display(std::int32_t index) const;

private:
    AutomationSink* sink_;
    std::int32_t count_ = 0;
    std::array<ParameterAdapter, kCapacity> adapters_{};
    std::array<AutomationForwarder*, kCapacity> forwarders_{};
};

} // namespace ostrel
