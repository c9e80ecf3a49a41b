#include "gui/root.h"

#include <algorithm>

#include "gui/draw_context.h"
#include "gui/host_window.h"
#include "gui/layer.h"
#include "gui/root_observer.h"
#include "gui/widget.h"

namespace vellum {

// Counts nested dispatches; widgets and layers removed meanwhile are destroyed when the
// outermost one ends, so no walk reaches freed memory.
class xRoot::DispatchScope {
public:
    explicit DispatchScope(xRoot& root) : root_(root) { ++root_.dispatchDepth_; }
    ~DispatchScope()
    {
        if (--root_.dispatchDepth_ == 0)
            root_.destroyRetired();
    }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

private:
    xRoot& root_;
};

namespace {

bool layerTakesInput(const xLayer& layer)
{
    return layer.isVisible() && layer.isEnabled();
}

bool eligible(const xWidget& widget)
{
    return widget.isEnabled() && widget.isVisible();
}

} // namespace

xRoot::xRoot(xHostWindow* host) : host_(host), observer_(new xRootObserver)
{
    observer_->attach(this);
}

xRoot::~xRoot()
{
    detachHost();
    delete observer_;
    for (xLayer* layer : layers_)
        delete layer;
    destroyRetired();
}

void xRoot::addLayer(xLayer* layer)
{
    if (!layer || layer->root() || std::count(layers_.begin(), layers_.end(), layer))
        return;
    layers_.push_back(layer);
    layer->attach(this);
    if (layer->isVisible())
        invalidateRect(layer->bounds());
}

void xRoot::removeLayer(xLayer* layer)
{
    auto it = std::find(layers_.begin(), layers_.end(), layer);
    if (it == layers_.end())
        return;
    for (xWidget* w : layer->creationList())
        forget(w);
    layers_.erase(it);
    ++treeChanges_;
    invalidateRect(layer->bounds());
    if (dispatchDepth_ > 0)
        retiredLayers_.push_back(layer);
    else
        delete layer;
}

void xRoot::retireWidget(xWidget* widget)
{
    xLayer* layer = layerOf(widget);
    if (!layer)
        return;
    forget(widget);
    layer->detach(widget);
    ++treeChanges_;
    invalidateRect(widget->getRect());
    if (dispatchDepth_ > 0)
        retiredWidgets_.push_back(widget);
    else
        delete widget;
}

void xRoot::destroyRetired()
{
    std::vector<xWidget*> widgets;
    std::vector<xLayer*> layers;
    widgets.swap(retiredWidgets_);
    layers.swap(retiredLayers_);
    for (xWidget* w : widgets)
        delete w;
    for (xLayer* l : layers)
        delete l;
}

void xRoot::forget(xWidget* widget)
{
    if (focus_ == widget)
        releaseFocus();
    if (modal_ == widget)
        modal_ = nullptr;
    for (xLayer* layer : layers_) {
        for (xWidget* w : layer->creationList()) {
            if (w != widget)
                w->forgetWidget(widget);
        }
    }
}

xLayer* xRoot::layerOf(const xWidget* widget) const
{
    if (!widget)
        return nullptr;
    for (xLayer* layer : layers_) {
        if (std::count(layer->creationList().begin(), layer->creationList().end(), widget))
            return layer;
    }
    return nullptr;
}

void xRoot::invalidateRect(const xRect& rect)
{
    if (rect.isEmpty())
        return;
    if (xHostWindow* host = host_.load(std::memory_order_acquire))
        host->invalidateRect(rect.x, rect.y, rect.width, rect.height);
}

void* xRoot::getNativeHandle()
{
    xHostWindow* host = host_.load(std::memory_order_acquire);
    return host ? host->getNativeHandle() : nullptr;
}

int xRoot::popupMenu(xMenu& menu, xPoint point)
{
    xHostWindow* host = host_.load(std::memory_order_acquire);
    if (!host)
        return 0;
    DispatchScope scope(*this);
    return host->popupMenu(menu, point);
}

void xRoot::setObserver(xRootObserver* observer)
{
    if (observer == observer_)
        return;
    delete observer_;
    observer_ = observer ? observer : new xRootObserver;
    observer_->attach(this);
}

void xRoot::setModal(xWidget* widget)
{
    if (!widget || layerOf(widget))
        modal_ = widget;
}

void xRoot::setFocus(xWidget* widget)
{
    if (!widget) {
        handled_ = true;
        releaseFocus();
        return;
    }
    xLayer* layer = layerOf(widget);
    handled_ = true;
    if (!layer)
        return;
    observer_->focusChanged(widget);
    if (widget == focus_)
        return;
    xWidget* old = focus_;
    if (old)
        old->clearFocused();
    widget->setFocused();
    focus_ = widget;
    const xWidget* previousTop = layer->bringToTop(widget);
    xRect dirty = widget->getRect();
    if (old)
        dirty = unite(dirty, old->getRect());
    if (previousTop)
        dirty = unite(dirty, previousTop->getRect());
    invalidateRect(dirty);
}

void xRoot::releaseFocus()
{
    if (!focus_)
        return;
    observer_->focusChanged(nullptr);
    xWidget* old = focus_;
    old->clearFocused();
    focus_ = nullptr;
    invalidateRect(old->getRect());
}

void xRoot::moveFocus(bool backwards)
{
    std::vector<xWidget*> order;
    for (const xLayer* layer : layers_) {
        if (layerTakesInput(*layer))
            order.insert(order.end(), layer->creationList().begin(), layer->creationList().end());
    }
    const auto count = static_cast<std::ptrdiff_t>(order.size());
    if (count == 0)
        return;
    const auto at = std::find(order.begin(), order.end(), focus_);
    std::ptrdiff_t start = 0;
    if (at != order.end())
        start = (at - order.begin()) + (backwards ? -1 : 1);
    else if (backwards)
        start = count - 1;
    // Each widget is looked at once at most; the focus widget itself comes last.
    for (std::ptrdiff_t k = 0; k < count; ++k) {
        const std::ptrdiff_t step = backwards ? -k : k;
        xWidget* candidate = order[static_cast<std::size_t>(((start + step) % count + count) % count)];
        if (candidate->canTakeFocus()) {
            setFocus(candidate);
            return;
        }
    }
}

void xRoot::offerTopDown(const xMouseEvent& event, MouseHandler handler)
{
    const std::uint64_t changes = treeChanges_;
    for (std::size_t l = layers_.size(); l-- > 0;) {
        if (l >= layers_.size() || !layerTakesInput(*layers_[l]))
            continue;
        const std::vector<xWidget*>& list = layers_[l]->drawingList();
        for (std::size_t i = list.size(); i-- > 0;) {
            if (i >= list.size())
                continue;
            xWidget* w = list[i];
            if (!eligible(*w))
                continue;
            (w->*handler)(event);
            if (handled_ || changes != treeChanges_)
                return;
        }
    }
}

void xRoot::mouseDown(const xMouseEvent& event, MouseHandler handler)
{
    DispatchScope scope(*this);
    handled_ = false;
    if (modal_) {
        (modal_->*handler)(event);
        return;
    }
    offerTopDown(event, handler);
    if (!handled_)
        releaseFocus();
}

void xRoot::mouseUp(const xMouseEvent& event, MouseHandler handler)
{
    DispatchScope scope(*this);
    if (focus_)
        (focus_->*handler)(event);
}

void xRoot::onLeftDown(const xMouseEvent& event)
{
    mouseDown(event, &xWidget::onLeftDown);
}

void xRoot::onMiddleDown(const xMouseEvent& event)
{
    mouseDown(event, &xWidget::onMiddleDown);
}

void xRoot::onRightDown(const xMouseEvent& event)
{
    mouseDown(event, &xWidget::onRightDown);
}

void xRoot::onLeftUp(const xMouseEvent& event)
{
    mouseUp(event, &xWidget::onLeftUp);
}

void xRoot::onMiddleUp(const xMouseEvent& event)
{
    mouseUp(event, &xWidget::onMiddleUp);
}

void xRoot::onRightUp(const xMouseEvent& event)
{
    mouseUp(event, &xWidget::onRightUp);
}

void xRoot::onMouseMove(const xMouseEvent& event)
{
    DispatchScope scope(*this);
    handled_ = false;
    if (modal_)
        modal_->onMouseMove(event);
    else
        offerTopDown(event, &xWidget::onMouseMove);
}

void xRoot::onWheel(xWheelEvent& event)
{
    DispatchScope scope(*this);
    if (xWidget* receiver = keyReceiver())
        receiver->onWheel(event);
}

void xRoot::onKeyDown(xKeyEvent& event)
{
    DispatchScope scope(*this);
    if (modal_) {
        modal_->onKeyDown(event);
    } else if (event.key == key::kTab) {
        moveFocus((event.modifiers & modifier::kShift) != 0);
        event.handled = 1;
    } else if (focus_) {
        focus_->onKeyDown(event);
    }
}

void xRoot::onKeyUp(xKeyEvent& event)
{
    DispatchScope scope(*this);
    if (xWidget* receiver = keyReceiver())
        receiver->onKeyUp(event);
}

void xRoot::onTimer()
{
    DispatchScope scope(*this);
    const std::uint64_t changes = treeChanges_;
    for (std::size_t l = 0; l < layers_.size(); ++l) {
        if (!layers_[l]->isVisible())
            continue;
        const std::vector<xWidget*>& list = layers_[l]->creationList();
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i]->isVisible())
                list[i]->onTimer();
            if (changes != treeChanges_)
                return;
        }
    }
    observer_->tick();
}

void xRoot::onFocusLost()
{
    DispatchScope scope(*this);
    releaseFocus();
}

void xRoot::paint(xTileSink& sink, const xRect& rect)
{
    if (rect.isEmpty())
        return;
    DispatchScope scope(*this);
    const std::int64_t right = std::int64_t{rect.x} + rect.width;
    const std::int64_t bottom = std::int64_t{rect.y} + rect.height;
    for (std::int64_t y = rect.y; y < bottom; y += xTileCanvas::kSize) {
        for (std::int64_t x = rect.x; x < right; x += xTileCanvas::kSize) {
            const xRect tile{static_cast<int>(x), static_cast<int>(y),
                             static_cast<int>(std::min<std::int64_t>(xTileCanvas::kSize, right - x)),
                             static_cast<int>(std::min<std::int64_t>(xTileCanvas::kSize, bottom - y))};
            canvas_.setRegion(tile);
            xDrawContext context(canvas_);
            for (const xLayer* layer : layers_) {
                if (!layer->isVisible())
                    continue;
                for (xWidget* w : layer->drawingList()) {
                    if (w->isVisible())
                        w->draw(context);
                }
            }
            observer_->draw(context);
            sink.copyTile(canvas_, tile);
        }
    }
}

} // namespace vellum
