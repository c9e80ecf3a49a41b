#include "gui/subject.h"

#include <algorithm>

namespace vellum {

void xRefCounted::release()
{
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) - 1 < 1)
        delete this;
}

xSubject::~xSubject()
{
    for (xListener* l : listeners_)
        l->release();
}

void xSubject::addListener(xListener* listener)
{
    if (!listener)
        return;
    listener->addRef();
    std::lock_guard lock(mutex_);
    listeners_.push_back(listener);
}

void xSubject::removeListener(xListener* listener)
{
    xListener* found = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find(listeners_.begin(), listeners_.end(), listener);
        if (it == listeners_.end())
            return;
        found = *it;
        listeners_.erase(it);
    }
    found->release();
}

void xSubject::notify()
{
    notifyEach(&xListener::valueChanged);
}

void xSubject::notifyGestureBegan()
{
    notifyEach(&xListener::gestureBegan);
}

void xSubject::notifyGestureEnded()
{
    notifyEach(&xListener::gestureEnded);
}

void xSubject::notifyEach(void (xListener::*call)())
{
    // Copy the list (with a reference each) so listeners run without the lock held. Subjects
    // have a handful of listeners; a small fixed buffer keeps notification allocation-free.
    constexpr std::size_t kInline = 16;
    xListener* inlineCopy[kInline];
    std::vector<xListener*> heapCopy;
    xListener** copy = inlineCopy;
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        count = listeners_.size();
        if (count > kInline) {
            heapCopy = listeners_;
            copy = heapCopy.data();
        } else {
            std::copy(listeners_.begin(), listeners_.end(), inlineCopy);
        }
        for (std::size_t i = 0; i < count; ++i)
            copy[i]->addRef();
    }
    for (std::size_t i = 0; i < count; ++i) {
        (copy[i]->*call)();
        copy[i]->release();
    }
}

std::size_t xSubject::listenerCount() const
{
    std::lock_guard lock(mutex_);
    return listeners_.size();
}

} // namespace vellum
