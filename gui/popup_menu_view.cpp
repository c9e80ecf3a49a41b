#include "gui/popup_menu_view.h"

#include <algorithm>

#include "gui/check_item.h"
#include "gui/colours.h"
#include "gui/draw.h"
#include "gui/draw_text.h"
#include "gui/events.h"
#include "gui/menu.h"

namespace vellum {

namespace {

// Geometry: a 1-pixel border, a column for the marks, the text, a margin on the right.
constexpr int kBorder = 1;
constexpr int kMarkColumn = 18;
constexpr int kRightMargin = 14;
constexpr int kRowPadding = 3; // above and below the text
constexpr int kSeparatorHeight = 7;
constexpr int kMinimumTextWidth = 40;

constexpr xColour kFace{240, 240, 240};
constexpr xColour kFrame{100, 100, 100};
constexpr xColour kText{0, 0, 0};
constexpr xColour kGreyText{150, 150, 150};
constexpr xColour kSelection{51, 110, 190};
constexpr xColour kSelectedText{255, 255, 255};
constexpr xColour kRule{190, 190, 190};

// A check mark in a 7 x 7 box at `at`.
void drawCheck(xSurface& surface, xPoint at, xColour colour)
{
    constexpr const char* kPattern[7] = {"......#", ".....##", "#...##.", "##.##..", ".###...", "..#....", "......."};
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            if (kPattern[y][x] == '#')
                fillRect(surface, {at.x + x, at.y + y, 1, 1}, colour);
        }
    }
}

// A filled disc of diameter 7 at `at`.
void drawDot(xSurface& surface, xPoint at, xColour colour)
{
    constexpr int kHalfWidths[7] = {1, 2, 3, 3, 3, 2, 1};
    for (int y = 0; y < 7; ++y)
        fillRect(surface, {at.x + 3 - kHalfWidths[y], at.y + y, 2 * kHalfWidths[y] + 1, 1}, colour);
}

} // namespace

xPopupMenuView::xPopupMenuView(const xMenu& menu, xFont* font) : font_(font)
{
    const int lineHeight = font ? font->glyphHeight() : 13;
    int textWidthMax = kMinimumTextWidth;
    int top = kBorder;
    for (const xMenuEntry* entry : menu.entries()) {
        Row row;
        row.text = entry->text();
        row.id = entry->id();
        row.top = top;
        switch (entry->kind()) {
        case xMenuEntryKind::separator:
            row.separator = true;
            row.height = kSeparatorHeight;
            break;
        case xMenuEntryKind::submenu: row.height = lineHeight + 2 * kRowPadding; break;
        case xMenuEntryKind::item:
            row.height = lineHeight + 2 * kRowPadding;
            row.choosable = true;
            if (const auto* check = dynamic_cast<const xCheckItem*>(entry)) {
                row.mark = check->mode() == xCheckMode::radio ? Mark::radio : Mark::check;
                row.checked = check->isChecked();
            }
            break;
        }
        if (font && !row.separator)
            textWidthMax = std::max(textWidthMax, textWidth(*font, row.text));
        top += row.height;
        rows_.push_back(std::move(row));
    }
    size_ = {kBorder + kMarkColumn + textWidthMax + kRightMargin + kBorder, top + kBorder};
}

xRect xPopupMenuView::rowRect(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const Row& r = rows_[static_cast<std::size_t>(row)];
    return {kBorder, r.top, size_.width - 2 * kBorder, r.height};
}

int xPopupMenuView::rowAt(xPoint point) const
{
    for (int i = 0; i < rowCount(); ++i) {
        if (rowRect(i).contains(point))
            return isChoosable(i) ? i : -1;
    }
    return -1;
}

bool xPopupMenuView::isChoosable(int row) const
{
    return row >= 0 && row < rowCount() && rows_[static_cast<std::size_t>(row)].choosable;
}

int xPopupMenuView::highlightedId() const
{
    return isChoosable(highlighted_) ? rows_[static_cast<std::size_t>(highlighted_)].id : 0;
}

xPopupMenuView::Outcome xPopupMenuView::highlight(int row)
{
    if (row == highlighted_)
        return Outcome::none;
    highlighted_ = row;
    return Outcome::changed;
}

int xPopupMenuView::step(int from, int direction) const
{
    const int count = rowCount();
    for (int k = 1; k <= count; ++k) {
        const int row = ((from + direction * k) % count + count) % count;
        if (isChoosable(row))
            return row;
    }
    return -1;
}

xPopupMenuView::Outcome xPopupMenuView::keyDown(std::uint32_t keyCode)
{
    const int count = rowCount();
    switch (keyCode) {
    case key::kDown: return highlight(step(highlighted_ < 0 ? -1 : highlighted_, 1));
    case key::kUp: return highlight(step(highlighted_ < 0 ? count : highlighted_, -1));
    case key::kHome: return highlight(step(-1, 1));
    case key::kEnd: return highlight(step(count, -1));
    case key::kReturn:
    case key::kSpace: return isChoosable(highlighted_) ? Outcome::chosen : Outcome::none;
    case key::kEscape: return Outcome::dismissed;
    default: return Outcome::none;
    }
}

xPopupMenuView::Outcome xPopupMenuView::pointerMoved(xPoint point)
{
    const int row = rowAt(point);
    return row < 0 ? Outcome::none : highlight(row);
}

xPopupMenuView::Outcome xPopupMenuView::buttonReleased(xPoint point)
{
    const int row = rowAt(point);
    if (row < 0)
        return Outcome::none;
    highlighted_ = row;
    return Outcome::chosen;
}

void xPopupMenuView::draw(xSurface& surface) const
{
    const xRect all{0, 0, size_.width, size_.height};
    fillRect(surface, all, kFrame);
    fillRect(surface, {kBorder, kBorder, size_.width - 2 * kBorder, size_.height - 2 * kBorder}, kFace);
    for (int i = 0; i < rowCount(); ++i) {
        const Row& row = rows_[static_cast<std::size_t>(i)];
        const xRect rect = rowRect(i);
        if (row.separator) {
            fillRect(surface, {rect.x + 4, rect.y + rect.height / 2, rect.width - 8, 1}, kRule);
            continue;
        }
        const bool selected = i == highlighted_;
        if (selected)
            fillRect(surface, rect, kSelection);
        const xColour ink = selected ? kSelectedText : (row.choosable ? kText : kGreyText);
        const xPoint markAt{rect.x + (kMarkColumn - 7) / 2, rect.y + (rect.height - 7) / 2};
        if (row.checked && row.mark == Mark::check)
            drawCheck(surface, markAt, ink);
        else if (row.checked && row.mark == Mark::radio)
            drawDot(surface, markAt, ink);
        if (font_)
            drawText(*font_, surface, row.text, {rect.x + kMarkColumn, rect.y + kRowPadding}, ink, rect);
    }
}

} // namespace vellum
