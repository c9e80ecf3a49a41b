#include "gui/draw_text.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

namespace vellum {

namespace {

std::uint8_t code(char c)
{
    return static_cast<std::uint8_t>(c);
}

} // namespace

void drawText(const xFont& font, xSurface& surface, std::string_view text, xPoint position, xColour colour,
              const xRect& clip)
{
    const xRect region = surface.getRegion();
    if (!surface.pixels() || surface.stride() / 4 < region.width)
        return;
    const xRect target = intersect(region, clip);
    const int wanted[3] = {colour.blue, colour.green, colour.red};

    // The pen runs in 64 bits so that long texts of wide advances cannot overflow it.
    std::int64_t pen = position.x;
    std::uint8_t previous = 0;
    for (char ch : text) {
        const std::uint8_t c = code(ch);
        if (previous != 0)
            pen += font.kerning(previous, c);
        if (pen > INT_MIN / 2 && pen < INT_MAX / 2) {
            const int left = static_cast<int>(pen);
            const xRect area = intersect({left, position.y, font.glyphWidth(c), font.glyphHeight()}, target);
            for (int y = area.y; y < area.bottom(); ++y) {
                std::uint8_t* p = surface.pixels() + static_cast<std::ptrdiff_t>(area.x - region.x) * 4
                    + static_cast<std::ptrdiff_t>(y - region.y) * surface.stride();
                for (int x = area.x; x < area.right(); ++x, p += 4) {
                    const int a = font.coverageAt(font.glyphOffset(c) + x - left, y - position.y);
                    if (a == 0)
                        continue;
                    for (int k = 0; k < 3; ++k)
                        p[k] = static_cast<std::uint8_t>(p[k] + (((wanted[k] - p[k]) * a) >> 8));
                }
            }
        }
        pen += font.advance(c);
        previous = c;
    }
}

std::string expandTabs(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\t')
            out.append(4, ' ');
        else
            out.push_back(c);
    }
    return out;
}

namespace {

// Width of a line that holds no tab.
std::int64_t lineWidth(const xFont& font, std::string_view line)
{
    if (line.empty())
        return 0;
    std::int64_t width = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const std::uint8_t c = code(line[i]);
        if (i > 0)
            width += font.kerning(code(line[i - 1]), c);
        width += i + 1 < line.size() ? font.advance(c) : font.glyphWidth(c);
    }
    return width;
}

int bounded(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

} // namespace

int textWidth(const xFont& font, std::string_view text)
{
    return bounded(lineWidth(font, expandTabs(text)));
}

xSize textSize(const xFont& font, std::string_view text)
{
    if (text.empty())
        return {};
    const std::string expanded = expandTabs(text);
    const std::string_view all(expanded);
    std::int64_t widest = 0;
    std::int64_t lines = 1;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = all.find('\n', start);
        widest = std::max(
            widest,
            lineWidth(font, all.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos)
            break;
        ++lines;
        start = end + 1;
    }
    return {bounded(widest), bounded(lines * font.glyphHeight())};
}

} // namespace vellum
