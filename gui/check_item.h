#pragma once

#include <string>
#include <vector>

#include "gui/menu_entry.h"

namespace vellum {

enum class xCheckMode : int { toggle = 1, radio = 2 };

// A menu item with a check mark. Toggle mode flips the mark each time it is chosen; radio mode
// puts the mark on the chosen item and takes it off every checked member of its group
// (choosing a checked radio item keeps it checked). The recorded state follows the native
// mark: it changes only when the platform accepts the change.
class xCheckItem final : public xMenuEntry {
public:
    xCheckItem(std::string text, int id, xCheckMode mode);
    ~xCheckItem() override;

    void onSelected() override;

    bool isChecked() const { return checked_; }
    xCheckMode mode() const { return mode_; }
    const std::vector<xCheckItem*>& group() const { return group_; }

    // Makes the items one radio group: each gets every other item of the list in its group.
    static void linkRadioGroup(const std::vector<xCheckItem*>& items);

private:
    bool setMark(bool checked);

    bool checked_ = false;
    xCheckMode mode_;
    std::vector<xCheckItem*> group_;
};

} // namespace vellum
