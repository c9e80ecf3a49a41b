#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vellum {

// Base of everything the toolkit shares by reference count (listeners, bitmaps, fonts).
// A holder calls addRef when it takes the object and release when it lets it go; the object
// deletes itself when the count falls below 1. Listeners start with the count 1 of the object
// that made them; bitmaps and fonts start at 0 and belong to whoever asked for them until a
// holder takes them (releasing an object nobody holds deletes it).
class xRefCounted {
public:
    void addRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    // Out of line: inlined into a holder of a class with several bases, GCC mistakes the
    // virtual `delete this` for a delete at an offset (-Wfree-nonheap-object).
    void release();
    int refCount() const { return refs_.load(std::memory_order_relaxed); }

protected:
    explicit xRefCounted(int initialCount = 1) : refs_(initialCount) { }
    virtual ~xRefCounted() = default;
    xRefCounted(const xRefCounted&) = delete;
    xRefCounted& operator=(const xRefCounted&) = delete;

private:
    std::atomic<int> refs_;
};

// Something that wants to know when a subject's value changed.
class xListener : public xRefCounted {
public:
    virtual void valueChanged() = 0;
    // A user's gesture on the subject begins or ends: a drag, or one step such as a click, a
    // wheel notch or a key. The changes it makes arrive in between as valueChanged. Most
    // listeners only care about values.
    virtual void gestureBegan() { }
    virtual void gestureEnded() { }
};

// A value that can be observed. Listeners are held by reference; notification runs on the
// caller's thread, outside the subject's own lock, so a listener may read the subject again
// or add and remove listeners.
class xSubject {
public:
    xSubject() = default;
    virtual ~xSubject();
    xSubject(const xSubject&) = delete;
    xSubject& operator=(const xSubject&) = delete;

    void addListener(xListener* listener);
    void removeListener(xListener* listener);
    void notify();
    std::size_t listenerCount() const;

    // Controls call these around the writes of one user gesture, begin before the first write
    // and end after the last (also when nothing changed), always in pairs. By default they
    // tell this subject's listeners; a view that belongs with others (the three views of a
    // parameter) tells theirs as well.
    virtual void beginGesture() { notifyGestureBegan(); }
    virtual void endGesture() { notifyGestureEnded(); }
    void notifyGestureBegan();
    void notifyGestureEnded();

private:
    // Calls one operation of every listener, outside the lock.
    void notifyEach(void (xListener::*call)());

    mutable std::mutex mutex_;
    std::vector<xListener*> listeners_;
};

// Brackets a one-step change (a click, a wheel notch, a key) as a gesture on a view.
class xGestureScope {
public:
    explicit xGestureScope(xSubject& subject) : subject_(subject) { subject_.beginGesture(); }
    ~xGestureScope() { subject_.endGesture(); }
    xGestureScope(const xGestureScope&) = delete;
    xGestureScope& operator=(const xGestureScope&) = delete;

private:
    xSubject& subject_;
};

// The three kinds of view a control can be linked to.
class xFloatView : public xSubject {
public:
    virtual float get() = 0;
    virtual void set(float value) = 0;
};

class xIntView : public xSubject {
public:
    virtual std::int32_t get() = 0;
    virtual void set(std::int32_t value) = 0;
};

class xTextView : public xSubject {
public:
    virtual std::string get() = 0;
    virtual void set(const std::string& text) = 0;
};

} // namespace vellum
