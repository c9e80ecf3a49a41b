#include "gui/layer.h"

#include <algorithm>

#include "gui/root.h"
#include "gui/widget.h"

namespace vellum {

namespace {

bool removeFrom(std::vector<xWidget*>& list, const xWidget* widget)
{
    auto it = std::find(list.begin(), list.end(), widget);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

} // namespace

xLayer::~xLayer()
{
    for (xWidget* w : creation_)
        delete w;
    for (xWidget* w : pending_)
        delete w;
}

void xLayer::addWidget(xWidget* widget)
{
    if (!widget || holds(widget))
        return;
    if (root_)
        join(widget);
    else
        pending_.push_back(widget);
}

void xLayer::join(xWidget* widget)
{
    widget->setParent(root_);
    creation_.push_back(widget);
    drawing_.push_back(widget);
    bounds_ = unite(bounds_, widget->getRect());
    if (widget->isVisible())
        root_->invalidateRect(widget->getRect());
}

bool xLayer::removeWidget(xWidget* widget)
{
    if (!widget)
        return false;
    if (removeFrom(pending_, widget)) {
        delete widget;
        return true;
    }
    if (!std::count(creation_.begin(), creation_.end(), widget))
        return false;
    root_->retireWidget(widget);
    return true;
}

void xLayer::setVisible(bool visible)
{
    if (visible_ == visible)
        return;
    visible_ = visible;
    if (root_)
        root_->invalidateRect(bounds_);
}

bool xLayer::holds(const xWidget* widget) const
{
    return std::count(creation_.begin(), creation_.end(), widget)
        || std::count(pending_.begin(), pending_.end(), widget);
}

void xLayer::attach(xRoot* root)
{
    root_ = root;
    std::vector<xWidget*> waiting;
    waiting.swap(pending_);
    for (xWidget* w : waiting)
        join(w);
}

xWidget* xLayer::bringToTop(xWidget* widget)
{
    xWidget* top = drawing_.empty() ? nullptr : drawing_.back();
    if (removeFrom(drawing_, widget))
        drawing_.push_back(widget);
    return top;
}

void xLayer::detach(xWidget* widget)
{
    removeFrom(drawing_, widget);
    removeFrom(creation_, widget);
    bounds_ = {};
    for (const xWidget* w : creation_)
        bounds_ = unite(bounds_, w->getRect());
}

} // namespace vellum
