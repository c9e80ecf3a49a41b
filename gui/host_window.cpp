#include "gui/host_window.h"

#include "gui/menu.h"
#include "gui/root.h"
#include "gui/root_facade.h"

namespace vellum {

xHostWindow::xHostWindow() : root_(new xRoot(this)), facade_(new xRootFacade(*root_))
{ }

xHostWindow::~xHostWindow()
{
    root_->detachHost();
    delete facade_;
    delete root_;
}

xRootInterface* xHostWindow::getFacade()
{
    return facade_;
}

int xHostWindow::popupMenu(xMenu& menu, xPoint point)
{
    return menu.popup(getNativeHandle(), point);
}

} // namespace vellum
