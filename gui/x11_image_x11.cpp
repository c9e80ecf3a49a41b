#include "gui/x11_image.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "gui/x11_error_trap.h"

namespace vellum {

namespace {

// A channel byte scaled into the bits of a visual's mask.
unsigned long channel(std::uint8_t value, unsigned long mask)
{
    if (!mask)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long scaled = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
    return (scaled << shift) & mask;
}

bool isDirect(const XImage& image, Visual* visual)
{
    return image.bits_per_pixel == 32 && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00
        && visual->blue_mask == 0xFF && image.byte_order == LSBFirst;
}

} // namespace

xX11Image::xX11Image(Display* display, Visual* visual, int depth, bool allowSharedMemory) : display_(display)
{
    if (!allowSharedMemory || !makeShared(visual, depth))
        makePlain(visual, depth);
    if (image_)
        direct_ = isDirect(*image_, visual);
}

xX11Image::~xX11Image()
{
    if (shared_) {
        {
            xX11ErrorTrap trap(display_);
            XShmDetach(display_, &segment_);
        }
        shmdt(segment_.shmaddr);
    }
    if (image_) {
        image_->data = nullptr; // the memory is the segment's or ours, not Xlib's
        XDestroyImage(image_);
    }
}

bool xX11Image::makeShared(Visual* visual, int depth)
{
    // Shared memory needs a server on this machine, in the client's byte order.
    if (!XShmQueryExtension(display_) || ImageByteOrder(display_) != LSBFirst)
        return false;
    XImage* image = XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment_, kBlock,
                                    kBlock * kSlots);
    if (!image)
        return false;
    segment_.shmid =
        shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * kBlock * kSlots, IPC_CREAT | 0600);
    if (segment_.shmid < 0) {
        XDestroyImage(image);
        return false;
    }
    segment_.shmaddr = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
    // Marked for removal now: it goes away with the last detach, also if the process dies.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
        XDestroyImage(image);
        return false;
    }
    segment_.readOnly = False;
    image->data = segment_.shmaddr;
    bool attached = false;
    {
        // A remote server (or one that refuses the segment) answers with an error.
        xX11ErrorTrap trap(display_);
        attached = XShmAttach(display_, &segment_) && trap.sync();
    }
    if (!attached) {
        shmdt(segment_.shmaddr);
        image->data = nullptr;
        XDestroyImage(image);
        return false;
    }
    image_ = image;
    shared_ = true;
    return true;
}

void xX11Image::makePlain(Visual* visual, int depth)
{
    XImage* image =
        XCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, kBlock, kBlock, 32, 0);
    if (!image)
        return;
    // Our pixels are little-endian 0xXXRRGGBB words; Xlib swaps them for a big-endian server.
    image->byte_order = LSBFirst;
    plainData_.assign(static_cast<std::size_t>(image->bytes_per_line) * kBlock, 0);
    image->data = plainData_.data();
    image_ = image;
}

void xX11Image::fill(const std::uint8_t* pixels, int stride, int width, int height, int top)
{
    if (direct_) {
        for (int y = 0; y < height; ++y) {
            std::memcpy(image_->data + static_cast<std::ptrdiff_t>(top + y) * image_->bytes_per_line,
                        pixels + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(width) * 4);
        }
        return;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + x * 4;
            XPutPixel(image_, x, top + y,
                      channel(p[2], image_->red_mask) | channel(p[1], image_->green_mask)
                          | channel(p[0], image_->blue_mask));
        }
    }
}

void xX11Image::put(Drawable drawable, GC gc, const std::uint8_t* pixels, int stride, int width, int height, int x,
                    int y)
{
    if (!image_ || !pixels)
        return;
    for (int by = 0; by < height; by += kBlock) {
        for (int bx = 0; bx < width; bx += kBlock) {
            const int w = std::min(kBlock, width - bx);
            const int h = std::min(kBlock, height - by);
            const std::uint8_t* block =
                pixels + static_cast<std::ptrdiff_t>(by) * stride + static_cast<std::ptrdiff_t>(bx) * 4;
            if (shared_) {
                // The server reads a slot when it gets to the request: before a slot is written
                // again, every request made so far must be done.
                if (nextSlot_ == kSlots) {
                    XSync(display_, False);
                    nextSlot_ = 0;
                }
                const int top = nextSlot_++ * kBlock;
                fill(block, stride, w, h, top);
                XShmPutImage(display_, drawable, gc, image_, 0, top, x + bx, y + by, static_cast<unsigned>(w),
                             static_cast<unsigned>(h), False);
            } else {
                // XPutImage copies the pixels into the request at once.
                fill(block, stride, w, h, 0);
                XPutImage(display_, drawable, gc, image_, 0, 0, x + bx, y + by, static_cast<unsigned>(w),
                          static_cast<unsigned>(h));
            }
        }
    }
}

} // namespace vellum
