#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/font.h"
#include "gui/rect.h"
#include "gui/shared_ref.h"
#include "gui/surface.h"

namespace vellum {

class xMenu;

// A popup menu drawn by the toolkit, for window bindings whose platform has no popup menus of
// their own (X11): the rows of an xMenu laid out in one column, its check and radio marks, the
// highlighted row, and the keyboard and pointer rules. Platform-free; the binding owns the
// window, feeds it input and calls xMenu::choose with the id it reports.
//
// The rows are read from the menu when the view is made (text, id, kind, check state), so the
// view never touches the menu's entries afterwards. Submenus show as rows that cannot be
// chosen. Nothing is highlighted at first: Down highlights the first row, Up the last.
class xPopupMenuView {
public:
    // What an input did to the menu.
    enum class Outcome { none, changed, chosen, dismissed };

    // `font` may be null (no text is drawn; rows keep their height).
    xPopupMenuView(const xMenu& menu, xFont* font);

    // The menu's size in pixels, border included.
    xSize size() const { return size_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // A row's rectangle in menu coordinates.
    xRect rowRect(int row) const;
    // The choosable row under a point in menu coordinates; -1 for none.
    int rowAt(xPoint point) const;
    bool isChoosable(int row) const;
    int highlighted() const { return highlighted_; }
    // The id of the highlighted row; 0 when nothing is highlighted.
    int highlightedId() const;

    // Keys (virtual-key codes): Up and Down move the highlight over the choosable rows,
    // wrapping; Home and End go to the first and last; Return and Space choose the highlighted
    // row; Escape dismisses. Other keys do nothing.
    Outcome keyDown(std::uint32_t key);
    // The pointer moved to a point in menu coordinates: the row under it is highlighted (over
    // no choosable row the highlight stays).
    Outcome pointerMoved(xPoint point);
    // A button went up at a point in menu coordinates: chooses the row under it. Outside the
    // menu, or over no choosable row: nothing.
    Outcome buttonReleased(xPoint point);

    // Draws the whole menu with its top-left corner at (0, 0) of the surface's coordinates.
    void draw(xSurface& surface) const;

private:
    enum class Mark { none, check, radio };
    struct Row {
        std::string text;
        int id = 0;
        bool separator = false;
        bool choosable = false;
        Mark mark = Mark::none;
        bool checked = false;
        int top = 0;
        int height = 0;
    };

    Outcome highlight(int row);
    int step(int from, int direction) const;

    xSharedRef<xFont> font_;
    std::vector<Row> rows_;
    xSize size_;
    int highlighted_ = -1;
};

} // namespace vellum
