#include "gui/radio_menu.h"

#include "gui/check_item.h"

namespace vellum {

xMenu* createRadioMenu(const std::string& title, const std::vector<std::string>& texts)
{
    auto* menu = new xMenu(title);
    std::vector<xCheckItem*> items;
    int id = 1;
    for (const std::string& text : texts) {
        auto* item = new xCheckItem(text, id++, xCheckMode::radio);
        menu->addEntry(item);
        items.push_back(item);
    }
    xCheckItem::linkRadioGroup(items);
    return menu;
}

} // namespace vellum
