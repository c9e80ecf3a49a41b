#include "gui/menu.h"

namespace vellum {

xMenu::xMenu(std::string title) : xMenuEntry(xMenuEntryKind::submenu, std::move(title)), native_(xNativeMenu::create())
{ }

xMenu::~xMenu()
{
    for (xMenuEntry* e : entries_)
        delete e;
}

bool xMenu::addEntry(xMenuEntry* entry)
{
    if (!entry || entry->owner())
        return false;
    for (const xMenuEntry* m = this; m; m = m->owner()) {
        if (m == entry)
            return false;
    }
    entry->owner_ = this;
    entries_.push_back(entry);
    switch (entry->kind()) {
    case xMenuEntryKind::item: native_->appendItem(entry->id(), entry->text()); break;
    case xMenuEntryKind::separator: native_->appendSeparator(entry->id()); break;
    case xMenuEntryKind::submenu: native_->appendSubmenu(entry->text(), static_cast<xMenu*>(entry)->native()); break;
    }
    return true;
}

void xMenu::setListener(xMenuListener* listener)
{
    listener_.reset(listener);
}

int xMenu::popup(void* nativeWindow, xPoint point)
{
    const int id = native_->track(nativeWindow, point);
    choose(id);
    return id;
}

void xMenu::choose(int id)
{
    if (id == 0)
        return;
    if (xMenuEntry* entry = findEntry(id))
        entry->onSelected();
    if (listener_)
        listener_->menuItemChosen(id);
}

xMenuEntry* xMenu::findEntry(int id) const
{
    for (xMenuEntry* e : entries_) {
        if (e->id() == id && e->kind() != xMenuEntryKind::submenu)
            return e;
    }
    for (xMenuEntry* e : entries_) {
        if (e->kind() != xMenuEntryKind::submenu)
            continue;
        if (xMenuEntry* found = static_cast<xMenu*>(e)->findEntry(id))
            return found;
    }
    return nullptr;
}

} // namespace vellum
