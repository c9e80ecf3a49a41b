#pragma once

#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/shared_ref.h"

namespace vellum {

// An animation strip: a bitmap holding frames of one size one below the other. Frame n starts
// at row n x frame height; the number of frames is the bitmap height divided by the frame
// height. Holds a reference to the bitmap.
class xStrip {
public:
    xStrip(xBitmap* bitmap, xSize frameSize);

    int frameCount() const { return frameCount_; }
    xSize frameSize() const { return frameSize_; }
    // Draws a frame with its top-left corner at `position`; a frame number outside the strip
    // draws nothing.
    void drawFrame(xDrawContext& context, int frame, xPoint position) const;

private:
    xSharedRef<xBitmap> bitmap_;
    xSize frameSize_;
    int frameCount_;
};

} // namespace vellum
