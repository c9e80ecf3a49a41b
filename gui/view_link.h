#pragma once

#include <functional>

#include "gui/subject.h"

namespace vellum {

// Links a control to the value view it shows: registers a listener with the view and calls
// `changed` on every notification, from whatever thread wrote the value, until the link is
// destroyed. Destruction removes the listener and waits for a notification that is running, so
// no call reaches the control once the link is gone (make the link the control's last member,
// so it goes first).
class xViewLink {
public:
    xViewLink(xSubject& view, std::function<void()> changed);
    ~xViewLink();
    xViewLink(const xViewLink&) = delete;
    xViewLink& operator=(const xViewLink&) = delete;

private:
    class Forwarder;
    xSubject& view_;
    Forwarder* forwarder_;
};

} // namespace vellum
