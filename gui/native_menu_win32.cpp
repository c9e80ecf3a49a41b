#include "gui/native_menu.h"

#include <windows.h>

#include "gui/module_handle.h"

namespace vellum {

namespace {

constexpr char kOwnerClass[] = "xMenuClass";
constexpr char kOwnerName[] = "xMenuDummy";

// Menus alive in the process; the owner windows' class is registered while there are any.
// User-interface thread only.
int gLiveMenus = 0;

HINSTANCE instance()
{
    return static_cast<HINSTANCE>(moduleHandle());
}

// A Windows popup menu and the hidden window that owns it while it is tracked.
class Win32Menu final : public xNativeMenu {
public:
    Win32Menu()
    {
        if (++gLiveMenus == 1) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = instance();
            wc.lpszClassName = kOwnerClass;
            RegisterClassExA(&wc);
        }
        owner_ = CreateWindowExA(0, kOwnerClass, kOwnerName, 0, 0, 0, 0, 0, nullptr, nullptr, instance(), nullptr);
        menu_ = CreatePopupMenu();
    }

    ~Win32Menu() override
    {
        if (menu_) {
            // Detach submenus first: DestroyMenu would destroy them too, and each submenu
            // destroys its own handle.
            while (GetMenuItemCount(menu_) > 0 && RemoveMenu(menu_, 0, MF_BYPOSITION)) {
            }
            DestroyMenu(menu_);
        }
        if (owner_)
            DestroyWindow(owner_);
        if (--gLiveMenus == 0)
            UnregisterClassA(kOwnerClass, instance());
    }

    Win32Menu(const Win32Menu&) = delete;
    Win32Menu& operator=(const Win32Menu&) = delete;

    void appendItem(int id, const std::string& text) override
    {
        MENUITEMINFOA item = entry(MIIM_ID | MIIM_STRING | MIIM_FTYPE, MFT_STRING, id);
        std::string copy = text;
        item.dwTypeData = copy.data();
        insert(item);
    }

    void appendSeparator(int id) override { insert(entry(MIIM_ID | MIIM_FTYPE, MFT_SEPARATOR, id)); }

    void appendSubmenu(const std::string& text, xNativeMenu& submenu) override
    {
        MENUITEMINFOA item = entry(MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE, MFT_STRING, 0);
        std::string copy = text;
        item.dwTypeData = copy.data();
        item.hSubMenu = static_cast<HMENU>(submenu.handle());
        insert(item);
    }

    bool setChecked(int id, bool checked) override
    {
        return menu_
            && CheckMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED))
            != static_cast<DWORD>(-1);
    }

    int track(void* nativeWindow, xPoint point) override
    {
        if (!menu_)
            return 0;
        POINT p{point.x, point.y};
        if (nativeWindow)
            ClientToScreen(static_cast<HWND>(nativeWindow), &p);
        const BOOL chosen =
            TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, p.x, p.y, 0, owner_, nullptr);
        return static_cast<int>(chosen);
    }

    void* handle() const override { return menu_; }

private:
    static MENUITEMINFOA entry(UINT mask, UINT type, int id)
    {
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = mask;
        item.fType = type;
        item.wID = static_cast<UINT>(id);
        return item;
    }

    void insert(const MENUITEMINFOA& item)
    {
        if (menu_)
            InsertMenuItemA(menu_, static_cast<UINT>(GetMenuItemCount(menu_)), TRUE, &item);
    }

    HWND owner_ = nullptr;
    HMENU menu_ = nullptr;
};

} // namespace

std::unique_ptr<xNativeMenu> xNativeMenu::create()
{
    return std::make_unique<Win32Menu>();
}

} // namespace vellum
