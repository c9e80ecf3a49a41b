#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gui/colours.h"
#include "gui/font.h"
#include "gui/shared_ref.h"
#include "gui/widget.h"

namespace vellum {

// Fixed text in one colour: each tab becomes four spaces and each line feed starts a new line,
// one font line height below the previous. The widget is as large as the measured text.
class xLabel final : public xWidget {
public:
    xLabel(xFont* font, std::string_view text, xPoint position, xColour colour);

    void draw(xDrawContext& context) override;

    const std::vector<std::string>& lines() const { return lines_; }

private:
    xSharedRef<xFont> font_;
    std::vector<std::string> lines_;
    xColour colour_;
};

} // namespace vellum
