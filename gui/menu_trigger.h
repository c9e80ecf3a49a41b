#pragma once

#include <memory>

#include "gui/menu.h"
#include "gui/subject.h"
#include "gui/widget.h"

namespace vellum {

// Which mouse button opens a trigger's menu.
enum class xTriggerButton : int { left = 1, middle = 2, right = 3, any = 4 };

// An invisible area that opens a popup menu when its button goes down inside it, at a fixed
// position in window coordinates, and writes the choice to an index view: the item with id n
// selects index n - 1 (ids below 1, such as automatic ones, write nothing), as one gesture on
// the view. Owns the menu; its
// listener is the trigger's.
class xMenuTrigger final : public xWidget {
public:
    xMenuTrigger(xIntView& view, xMenu* menu, const xRect& rect, xPoint menuPosition, xTriggerButton button);

    void onLeftDown(const xMouseEvent& event) override { pressed(event, xTriggerButton::left); }
    void onMiddleDown(const xMouseEvent& event) override { pressed(event, xTriggerButton::middle); }
    void onRightDown(const xMouseEvent& event) override { pressed(event, xTriggerButton::right); }

    xMenu& menu() { return *menu_; }

private:
    void pressed(const xMouseEvent& event, xTriggerButton which);

    std::unique_ptr<xMenu> menu_;
    xPoint menuPosition_;
    xTriggerButton button_;
};

} // namespace vellum
