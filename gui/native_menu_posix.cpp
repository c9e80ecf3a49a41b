#include "gui/native_menu.h"

namespace vellum {

namespace {

// No native popup menus here: the model holds the entries and the check state, and the window
// binding draws or scripts the menu (xHostWindow::popupMenu).
class ModelOnlyMenu final : public xNativeMenu {
public:
    void appendItem(int, const std::string&) override { }
    void appendSeparator(int) override { }
    void appendSubmenu(const std::string&, xNativeMenu&) override { }
    bool setChecked(int, bool) override { return true; }
    int track(void*, xPoint) override { return 0; }
    void* handle() const override { return nullptr; }
};

} // namespace

std::unique_ptr<xNativeMenu> xNativeMenu::create()
{
    return std::make_unique<ModelOnlyMenu>();
}

} // namespace vellum
