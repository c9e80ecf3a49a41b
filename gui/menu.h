#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/menu_entry.h"
#include "gui/native_menu.h"
#include "gui/rect.h"

namespace vellum {

// A popup menu: entries in the order they were added (each mirrored into the platform's native
// menu), an optional listener, and the dispatch of a choice. A menu is itself an entry, so it
// can be added to another menu as a submenu. Owns its entries and its listener. User-interface
// thread only.
class xMenu final : public xMenuEntry {
public:
    explicit xMenu(std::string title);
    ~xMenu() override;

    // Takes ownership of the entry and appends it. Refused (false, the caller keeps the entry):
    // null, an entry that is already in a menu, and a menu that holds this one (a cycle).
    bool addEntry(xMenuEntry* entry);
    // Takes ownership of the listener and destroys the previous one (null: none).
    void setListener(xMenuListener* listener);

    // Shows the platform's popup menu at a point in the window's client coordinates, blocking
    // until it closes, and dispatches the choice. Returns the chosen id, 0 when dismissed.
    int popup(void* nativeWindow, xPoint point);
    // Dispatches a choice: the entry with that id (in this menu or a submenu) gets onSelected,
    // then the listener hears the id, also when no entry has it. 0 means dismissed: nothing.
    void choose(int id);

    // The entry with that id in this menu or its submenus; null when there is none.
    xMenuEntry* findEntry(int id) const;
    const std::vector<xMenuEntry*>& entries() const { return entries_; }
    xNativeMenu& native() { return *native_; }

private:
    std::unique_ptr<xNativeMenu> native_;
    std::unique_ptr<xMenuListener> listener_;
    std::vector<xMenuEntry*> entries_;
};

} // namespace vellum
