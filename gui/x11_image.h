#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

namespace vellum {

// Puts the toolkit's pixels (4 bytes a pixel: blue, green, red, fourth byte) into an X
// drawable in blocks of up to 128 x 128 pixels, through one reusable image: a shared-memory
// image (MIT-SHM) when the server has the extension and accepts the segment, else a plain
// image sent over the connection. The shared image holds kSlots blocks, used in turn, so the
// client waits for the server only when it comes back to a slot the server may not have read
// yet (once per kSlots blocks, not once per block). Visuals other than 8-bit red, green and
// blue in a 32-bit pixel are converted pixel by pixel. User-interface thread; calls run inside
// the caller's error trap.
class xX11Image {
public:
    static constexpr int kBlock = 128;
    static constexpr int kSlots = 8;

    // The image for drawables of that visual and depth; `allowSharedMemory` false always takes
    // the plain image (tests compare the two).
    xX11Image(Display* display, Visual* visual, int depth, bool allowSharedMemory = true);
    ~xX11Image();
    xX11Image(const xX11Image&) = delete;
    xX11Image& operator=(const xX11Image&) = delete;

    bool isUsable() const { return image_ != nullptr; }
    bool usesSharedMemory() const { return shared_; }

    // Copies a width x height block (`stride` bytes a row) to (x, y) of the drawable; blocks
    // larger than 128 x 128 go in pieces. The drawable has the pixels for every request made
    // after this one (the server handles a connection's requests in order).
    void put(Drawable drawable, GC gc, const std::uint8_t* pixels, int stride, int width, int height, int x, int y);

private:
    bool makeShared(Visual* visual, int depth);
    void makePlain(Visual* visual, int depth);
    // Writes a block into the image's rows from `top` on.
    void fill(const std::uint8_t* pixels, int stride, int width, int height, int top);

    Display* display_;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    int nextSlot_ = 0;    // the shared image's slot the next block goes to
    bool direct_ = false; // the image's pixels are the toolkit's own layout
    std::vector<char> plainData_;
};

} // namespace vellum
