#include "gui/label.h"

#include "gui/draw_text.h"

namespace vellum {

namespace {

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 1;
    }
}

xRect measured(const xFont* font, std::string_view text, xPoint position)
{
    const xSize size = font ? textSize(*font, text) : xSize{};
    return {position.x, position.y, size.width, size.height};
}

} // namespace

xLabel::xLabel(xFont* font, std::string_view text, xPoint position, xColour colour)
    : xWidget(measured(font, text, position), false),
      font_(font),
      lines_(splitLines(expandTabs(text))),
      colour_(colour)
{ }

void xLabel::draw(xDrawContext& context)
{
    const xRect r = getRect();
    if (!font_ || !context.touches(r))
        return;
    int y = r.y;
    for (const std::string& line : lines_) {
        drawText(*font_, context.surface(), line, {r.x, y}, colour_, r);
        y += font_->glyphHeight();
    }
}

} // namespace vellum
