#pragma once

namespace vellum {

// Holds one reference to a reference-counted resource (a bitmap or a font): taken when the
// holder gets it, given back when the holder lets go. Replacing the held resource releases the
// old one; holding the same one again changes nothing.
template <class T>
class xSharedRef {
public:
    xSharedRef() = default;
    explicit xSharedRef(T* resource) { reset(resource); }
    ~xSharedRef() { reset(nullptr); }
    xSharedRef(const xSharedRef& other) { reset(other.resource_); }
    xSharedRef& operator=(const xSharedRef& other)
    {
        reset(other.resource_);
        return *this;
    }

    void reset(T* resource)
    {
        if (resource == resource_)
            return;
        if (resource_)
            resource_->release();
        resource_ = resource;
        if (resource_)
            resource_->addRef();
    }
    T* get() const { return resource_; }
    T* operator->() const { return resource_; }
    T& operator*() const { return *resource_; }
    explicit operator bool() const { return resource_ != nullptr; }

private:
    T* resource_ = nullptr;
};

} // namespace vellum
