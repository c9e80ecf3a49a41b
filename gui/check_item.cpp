#include "gui/check_item.h"

#include <algorithm>

#include "gui/menu.h"

namespace vellum {

xCheckItem::xCheckItem(std::string text, int id, xCheckMode mode)
    : xMenuEntry(xMenuEntryKind::item, std::move(text), id),
      mode_(mode)
{ }

xCheckItem::~xCheckItem()
{
    // The other members must not keep a pointer to this item.
    for (xCheckItem* member : group_)
        std::erase(member->group_, this);
}

bool xCheckItem::setMark(bool checked)
{
    if (!owner() || !owner()->native().setChecked(id(), checked))
        return false;
    checked_ = checked;
    return true;
}

void xCheckItem::onSelected()
{
    if (mode_ == xCheckMode::toggle) {
        setMark(!checked_);
        return;
    }
    if (!checked_)
        setMark(true);
    for (xCheckItem* member : group_) {
        if (member->checked_)
            member->setMark(false);
    }
}

void xCheckItem::linkRadioGroup(const std::vector<xCheckItem*>& items)
{
    for (xCheckItem* item : items) {
        if (!item)
            continue;
        for (xCheckItem* other : items) {
            if (other && other != item
                && std::find(item->group_.begin(), item->group_.end(), other) == item->group_.end())
                item->group_.push_back(other);
        }
    }
}

} // namespace vellum
