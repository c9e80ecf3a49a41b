#include "patch/registry.h"

#include "patch/param.h"

namespace ostrel {

void AutomationForwarder::valueChanged()
{
    if (sink_)
        sink_->setParameterAutomated(index_, view_->get());
}

void AutomationForwarder::gestureBegan()
{
    if (gestures_.fetch_add(1) == 0 && sink_)
        sink_->gestureBegan(index_);
}

void AutomationForwarder::gestureEnded()
{
    // An end without a begin (never sent by the controls) is not passed on.
    int open = gestures_.load();
    while (open > 0 && !gestures_.compare_exchange_weak(open, open - 1)) {
    }
    if (open == 1 && sink_)
        sink_->gestureEnded(index_);
}

ParameterRegistry::~ParameterRegistry()
{
    for (std::int32_t i = 0; i < count_; ++i) {
        if (AutomationForwarder* f = forwarders_[static_cast<std::size_t>(i)]) {
            adapters_[static_cast<std::size_t>(i)].normalized->removeListener(f);
            f->release();
        }
    }
}

std::int32_t ParameterRegistry::add(const ParameterAdapter& adapter, bool withAutomation)
{
    if (count_ >= kCapacity || !adapter.param || !adapter.normalized || !adapter.text)
        return -1;
    const std::int32_t index = count_++;
    const auto slot = static_cast<std::size_t>(index);
    adapters_[slot] = adapter;
    if (withAutomation) {
        forwarders_[slot] = new AutomationForwarder(sink_, adapter.normalized, index);
        adapter.normalized->addListener(forwarders_[slot]);
    }
    return index;
}

const ParameterAdapter* ParameterRegistry::find(std::int32_t index) const
{
    if (index < 0 || index >= count_)
        return nullptr;
    return &adapters_[static_cast<std::size_t>(index)];
}

void ParameterRegistry::set(std::int32_t index, float x) const
{
    if (const ParameterAdapter* a = find(index))
        a->normalized->set(x);
}

float ParameterRegistry::get(std::int32_t index) const
{
    const ParameterAdapter* a = find(index);
    return a ? a->normalized->get() : 0.0f;
}

std::string ParameterRegistry::name(std::int32_t index) const
{
    const ParameterAdapter* a = find(index);
    return a ? a->param->name() : std::string();
}

std::string ParameterRegistry::label(std::int32_t index) const
{
    const ParameterAdapter* a = find(index);
    return a ? a->param->label() : std::string();
}

std::string ParameterRegistry::display(std::int32_t index) const
{
    const ParameterAdapter* a = find(index);
    return a ? a->text->get() : std::string();
}

} // namespace ostrel
