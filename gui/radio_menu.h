#pragma once

#include <string>
#include <vector>

#include "gui/menu.h"

namespace vellum {

// A menu of radio items with the ids 1, 2, 3, ... in the order of the texts, all one group, as
// an xMenuTrigger wants them (the item with id n selects index n - 1). The caller owns the menu
// (usually by handing it to a trigger).
xMenu* createRadioMenu(const std::string& title, const std::vector<std::string>& texts);

} // namespace vellum
