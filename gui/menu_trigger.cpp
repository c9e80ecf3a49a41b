#include "gui/menu_trigger.h"

#include "gui/root_interface.h"

namespace vellum {

namespace {

class WriteChoice final : public xMenuListener {
public:
    explicit WriteChoice(xIntView& view) : view_(view) { }
    void menuItemChosen(int id) override
    {
        if (id < 1)
            return;
        const xGestureScope gesture(view_);
        view_.set(id - 1);
    }

private:
    xIntView& view_;
};

} // namespace

xMenuTrigger::xMenuTrigger(xIntView& view, xMenu* menu, const xRect& rect, xPoint menuPosition, xTriggerButton button)
    : xWidget(rect, false),
      menu_(menu ? menu : new xMenu(std::string())),
      menuPosition_(menuPosition),
      button_(button)
{
    menu_->setListener(new WriteChoice(view));
}

void xMenuTrigger::pressed(const xMouseEvent& event, xTriggerButton which)
{
    if ((button_ != which && button_ != xTriggerButton::any) || !contains(event))
        return;
    if (xRootInterface* root = parent())
        root->popupMenu(*menu_, menuPosition_);
}

} // namespace vellum
