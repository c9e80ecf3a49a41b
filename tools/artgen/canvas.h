#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace artgen {

// A colour with straight (not premultiplied) alpha, channels 0..1.
struct Colour {
    double r = 0, g = 0, b = 0, a = 1;
};

Colour rgb(int r, int g, int b, double a = 1.0);
Colour mixColour(const Colour& x, const Colour& y, double t);

// A shape as an inside test at a point in pixel coordinates (pixel (i, j) covers
// [i, i + 1) x [j, j + 1)).
using Shape = std::function<bool(double x, double y)>;
// A paint: the colour at a point (gradients); most paints are one colour.
using Paint = std::function<Colour(double x, double y)>;

Paint solid(Colour c);
// Linear gradient from `top` at y0 to `bottom` at y1, constant outside.
Paint verticalGradient(Colour top, double y0, Colour bottom, double y1);

// Shapes.
Shape disc(double cx, double cy, double r);
Shape ring(double cx, double cy, double r, double width);
// Arc of a ring from angle a0 to a1 (degrees, 0 is up, clockwise), with round ends.
Shape arc(double cx, double cy, double r, double width, double a0, double a1);
// A line from (x0, y0) to (x1, y1) of the given width with round ends.
Shape capsule(double x0, double y0, double x1, double y1, double width);
Shape roundRect(double x, double y, double w, double h, double radius);
Shape triangle(double x0, double y0, double x1, double y1, double x2, double y2);
Shape unite(Shape a, Shape b);
Shape subtract(Shape a, Shape b);

// An RGBA picture kept premultiplied in doubles while it is being drawn. Shapes are
// anti-aliased by 8 x 8 supersampling: the coverage of a pixel is the share of its
// sub-samples inside the shape.
class Canvas {
public:
    Canvas(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    void clear(Colour c);
    void fill(const Shape& shape, const Paint& paint, double opacity = 1.0);
    void fill(const Shape& shape, Colour c, double opacity = 1.0) { fill(shape, solid(c), opacity); }
    // Composites one pixel with the given coverage (0..1).
    void blendPixel(int x, int y, Colour c, double coverage);
    // Draws another canvas over this one with its top-left corner at (x, y).
    void draw(const Canvas& other, int x, int y);
    // Draws another canvas turned a quarter turn counter-clockwise (text reading upwards),
    // its former bottom-left corner landing at (x, y + other.width() - 1) .. top-left at (x, y).
    void drawRotatedLeft(const Canvas& other, int x, int y);

    Colour pixel(int x, int y) const; // straight alpha
    // Bytes in file order: red, green, blue, alpha (bytesPerPixel 4) or red, green, blue (3).
    std::vector<std::uint8_t> bytes(int bytesPerPixel) const;

private:
    struct Premul {
        double r = 0, g = 0, b = 0, a = 0;
    };
    int width_;
    int height_;
    std::vector<Premul> px_;
};

} // namespace artgen
