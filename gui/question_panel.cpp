#include "gui/question_panel.h"

#include <algorithm>
#include <utility>

#include "gui/colours.h"
#include "gui/draw.h"
#include "gui/draw_text.h"
#include "gui/layer.h"
#include "gui/resource_package.h"
#include "gui/root_interface.h"

namespace vellum {

namespace {

constexpr int kPadding = 16;
constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 22;
constexpr int kButtonGap = 10;
constexpr int kMinimumBoxWidth = 2 * kButtonWidth + kButtonGap + 2 * kPadding;
constexpr int kVeilOpacity = 110;

constexpr xColour kVeil{0, 0, 0};
constexpr xColour kBoxFace{52, 60, 74};
constexpr xColour kBoxFrame{150, 160, 180};
constexpr xColour kText{255, 255, 255};
constexpr xColour kButtonFace{86, 98, 120};
constexpr xColour kDefaultFrame{235, 235, 235};

} // namespace

xQuestionPanel* xQuestionPanel::ask(xRootInterface& root, const xRect& window, std::string text, Answered answered)
{
    xResourcePackage* package = getPackage();
    auto* panel = new xQuestionPanel(window, package ? package->getFont("arial11") : nullptr, std::move(text),
                                     std::move(answered));
    auto* layer = new xLayer;
    layer->addWidget(panel);
    panel->layer_ = layer;
    root.addLayer(layer);
    root.setModal(panel);
    root.setFocus(panel);
    return panel;
}

xQuestionPanel::xQuestionPanel(const xRect& window, xFont* font, std::string text, Answered answered)
    : xWidget(window, false),
      font_(font),
      text_(std::move(text)),
      answered_(std::move(answered))
{
    const xSize textArea = font ? textSize(*font, text_) : xSize{0, 13};
    const int width = std::min(std::max(textArea.width + 2 * kPadding, kMinimumBoxWidth), window.width);
    const int height = std::min(textArea.height + kButtonHeight + 3 * kPadding, window.height);
    box_ = {window.x + (window.width - width) / 2, window.y + (window.height - height) / 2, width, height};
}

xRect xQuestionPanel::okButton() const
{
    const xRect cancel = cancelButton();
    return {cancel.x - kButtonGap - kButtonWidth, cancel.y, kButtonWidth, kButtonHeight};
}

xRect xQuestionPanel::cancelButton() const
{
    return {box_.right() - kPadding - kButtonWidth, box_.bottom() - kPadding - kButtonHeight, kButtonWidth,
            kButtonHeight};
}

xQuestionPanel::Button xQuestionPanel::buttonAt(xPoint point) const
{
    if (okButton().contains(point))
        return Button::ok;
    if (cancelButton().contains(point))
        return Button::cancel;
    return Button::none;
}

void xQuestionPanel::answer(bool ok)
{
    if (done_)
        return;
    done_ = true;
    // Taking the layer away may destroy this panel at once: nothing of it is touched after.
    Answered answered = std::move(answered_);
    xRootInterface* root = parent();
    if (root) {
        root->setModal(nullptr);
        root->removeLayer(layer_);
    }
    if (answered)
        answered(ok);
}

void xQuestionPanel::drawButton(xDrawContext& context, const xRect& rect, const char* caption, bool isDefault) const
{
    fillRect(context.surface(), rect, isDefault ? kDefaultFrame : kBoxFrame);
    fillRect(context.surface(), {rect.x + 1, rect.y + 1, rect.width - 2, rect.height - 2}, kButtonFace);
    if (!font_)
        return;
    const int width = textWidth(*font_, caption);
    drawText(*font_, context.surface(), caption,
             {rect.x + (rect.width - width) / 2, rect.y + (rect.height - font_->glyphHeight()) / 2}, kText, rect);
}

void xQuestionPanel::draw(xDrawContext& context)
{
    if (!context.touches(getRect()))
        return;
    blendRect(context.surface(), getRect(), kVeil, kVeilOpacity);
    fillRect(context.surface(), box_, kBoxFrame);
    fillRect(context.surface(), {box_.x + 1, box_.y + 1, box_.width - 2, box_.height - 2}, kBoxFace);
    if (font_) {
        int y = box_.y + kPadding;
        std::size_t start = 0;
        const std::string text = expandTabs(text_);
        while (start <= text.size()) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            drawText(*font_, context.surface(), std::string_view(text).substr(start, end - start),
                     {box_.x + kPadding, y}, kText, box_);
            y += font_->glyphHeight();
            start = end + 1;
        }
    }
    drawButton(context, okButton(), "OK", okDefault_);
    drawButton(context, cancelButton(), "Cancel", !okDefault_);
}

void xQuestionPanel::onLeftDown(const xMouseEvent& event)
{
    pressed_ = buttonAt({event.x, event.y});
    markHandled();
}

void xQuestionPanel::onLeftUp(const xMouseEvent& event)
{
    const Button pressed = std::exchange(pressed_, Button::none);
    if (pressed != Button::none && pressed == buttonAt({event.x, event.y}))
        answer(pressed == Button::ok);
}

void xQuestionPanel::onKeyDown(xKeyEvent& event)
{
    event.handled = 1;
    switch (event.key) {
    case key::kReturn:
    case key::kSpace: answer(okDefault_); return;
    case key::kEscape: answer(false); return;
    case key::kTab:
    case key::kLeft:
    case key::kRight:
        okDefault_ = !okDefault_;
        invalidate(unite(okButton(), cancelButton()));
        return;
    default: return;
    }
}

void xQuestionPanel::onKeyUp(xKeyEvent& event)
{
    event.handled = 1;
}

void xQuestionPanel::onWheel(xWheelEvent& event)
{
    event.handled = 1;
}

} // namespace vellum
