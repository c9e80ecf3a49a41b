#include "gui/view_link.h"

#include <mutex>

namespace vellum {

class xViewLink::Forwarder final : public xListener {
public:
    explicit Forwarder(std::function<void()> changed) : changed_(std::move(changed)) { }

    void valueChanged() override
    {
        std::lock_guard lock(mutex_);
        if (changed_)
            changed_();
    }

    void detach()
    {
        std::lock_guard lock(mutex_);
        changed_ = nullptr;
    }

private:
    std::mutex mutex_;
    std::function<void()> changed_;
};

xViewLink::xViewLink(xSubject& view, std::function<void()> changed)
    : view_(view),
      forwarder_(new Forwarder(std::move(changed)))
{
    view_.addListener(forwarder_);
}

xViewLink::~xViewLink()
{
    view_.removeListener(forwarder_);
    // A notification copied before the removal may still arrive; after detach it does nothing.
    forwarder_->detach();
    forwarder_->release();
}

} // namespace vellum
