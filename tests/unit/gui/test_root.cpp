#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/headless_window.h"
#include "gui/layer.h"
#include "gui/root.h"
#include "gui/root_facade.h"
#include "gui/tile_canvas.h"
#include "toolkit_support.h"

using namespace vellum;

namespace {

using Log = std::vector<std::string>;

struct Window {
    Window() : window(400, 300), observer(new RecordingObserver) { window.getFacade()->setObserver(observer); }
    xRootInterface& facade() { return *window.getFacade(); }
    xRoot& root() { return window.root(); }

    // Adds a layer holding the widgets to the root.
    xLayer* layer(std::initializer_list<xWidget*> widgets)
    {
        auto* l = new xLayer;
        for (xWidget* w : widgets)
            l->addWidget(w);
        facade().addLayer(l);
        return l;
    }

    xHeadlessWindow window;
    RecordingObserver* observer;
    Log log;
};

} // namespace

TEST(TiledPaint, RectangleIsCoveredRowByRowWithNarrowerLastTiles)
{
    Window w;
    auto* probe = new ProbeWidget("p", {0, 0, 10, 10}, w.log);
    w.layer({probe});
    w.window.paint({10, 20, 300, 130});
    const std::vector<xRect> expected = {{10, 20, 128, 128}, {138, 20, 128, 128}, {266, 20, 44, 128},
                                         {10, 148, 128, 2},  {138, 148, 128, 2},  {266, 148, 44, 2}};
    EXPECT_EQ(w.observer->tiles, expected);
    EXPECT_EQ(probe->draws, 6) << "every visible widget is asked to draw for every tile";

    // The canvas is green before anything is drawn, and a tile shows what the widgets drew.
    xTileCanvas fresh;
    EXPECT_EQ(fresh.pixels()[0], 0);
    EXPECT_EQ(fresh.pixels()[1], 255);
    EXPECT_EQ(fresh.pixels()[2], 0);
    EXPECT_EQ(fresh.stride(), 512);
    w.observer->tiles.clear();
    w.window.paint({0, 0, 0, 50});
    EXPECT_TRUE(w.observer->tiles.empty()) << "an empty rectangle paints nothing";
}

TEST(TiledPaint, HiddenWidgetsAreNotDrawnAndTheFacadeDoesNotPaintOrRoute)
{
    Window w;
    auto* shown = new ProbeWidget("shown", {0, 0, 10, 10}, w.log);
    auto* hidden = new ProbeWidget("hidden", {0, 0, 10, 10}, w.log);
    hidden->hide(false);
    w.layer({shown, hidden});
    w.window.paintAll();
    EXPECT_EQ(shown->draws, 12) << "400 x 300 is 4 x 3 tiles";
    EXPECT_EQ(hidden->draws, 0);

    // Through the facade, paint and input do nothing: events come only from the binding.
    struct NullSink final : xTileSink {
        void copyTile(const xTileCanvas&, const xRect&) override { }
    } sink;
    w.facade().paint(sink, {0, 0, 100, 100});
    w.facade().onLeftDown({5, 5, mouse::kLeft});
    xKeyEvent tab{0, key::kTab, 0};
    w.facade().onKeyDown(tab);
    w.facade().onTimer();
    EXPECT_EQ(shown->draws, 12);
    EXPECT_TRUE(w.log.empty());
    EXPECT_EQ(tab.handled, 0);
}

TEST(EventRouting, HandledPressStopsTheWalkAndAPressOnNothingReleasesFocus)
{
    Window w;
    auto* below = new ProbeWidget("below", {0, 0, 100, 100}, w.log);
    auto* top = new ProbeWidget("top", {0, 0, 50, 50}, w.log, {.focusable = true, .focusOnPress = true});
    auto* passive = new ProbeWidget("passive", {0, 0, 100, 100}, w.log);
    w.layer({below});
    w.layer({top, passive});

    // Top layer first, last widget of the drawing list first; `top` takes focus, which marks
    // the press handled, so `below` never sees it.
    w.window.press(xMouseButton::left, 10, 10);
    EXPECT_EQ(w.log, (Log{"passive:leftDown", "top:leftDown"}));
    EXPECT_EQ(w.root().getFocus(), top);
    EXPECT_TRUE(w.window.isCaptured());

    // The release goes to the focus widget only, wherever it happens.
    w.log.clear();
    w.window.release(xMouseButton::left, 300, 290);
    EXPECT_EQ(w.log, (Log{"top:leftUp"}));
    EXPECT_FALSE(w.window.isCaptured());

    // A press that nobody handles releases the focus; the observer hears null.
    w.log.clear();
    w.window.press(xMouseButton::left, 200, 200);
    EXPECT_EQ(w.log, (Log{"top:leftDown", "passive:leftDown", "below:leftDown"}))
        << "the focus widget went on top; each widget tests the point itself";
    EXPECT_EQ(w.root().getFocus(), nullptr);
    EXPECT_EQ(w.observer->focusChanges.back(), nullptr);
    w.window.release(xMouseButton::left, 200, 200);

    // Moves walk the same way and leave the focus alone; disabled widgets are skipped.
    w.window.press(xMouseButton::left, 10, 10);
    passive->disable();
    w.log.clear();
    w.window.move(60, 60);
    EXPECT_EQ(w.log, (Log{"top:move", "below:move"}));
    EXPECT_EQ(w.root().getFocus(), top);
}

TEST(EventRouting, RightPressWhileLeftHeldDeliversTheLeftReleaseFirst)
{
    Window w;
    auto* widget = new ProbeWidget("w", {0, 0, 100, 100}, w.log, {.focusable = true, .focusOnPress = true});
    w.layer({widget});
    w.window.press(xMouseButton::left, 10, 10);
    w.window.press(xMouseButton::right, 12, 12);
    EXPECT_EQ(w.log, (Log{"w:leftDown", "w:leftUp", "w:rightDown"}));
    EXPECT_TRUE(w.window.isCaptured()) << "the right button holds the capture now";
    w.window.release(xMouseButton::right, 12, 12);
    EXPECT_FALSE(w.window.isCaptured());

    // A double click arrives as two plain presses.
    w.log.clear();
    w.window.click(xMouseButton::left, 10, 10);
    w.window.click(xMouseButton::left, 10, 10);
    EXPECT_EQ(w.log, (Log{"w:leftDown", "w:leftUp", "w:leftDown", "w:leftUp"}));
}

TEST(EventRouting, ModalWidgetTakesPressesMovesWheelAndKeys)
{
    Window w;
    auto* modal = new ProbeWidget("modal", {300, 200, 10, 10}, w.log);
    auto* other = new ProbeWidget("other", {0, 0, 100, 100}, w.log, {.focusable = true, .focusOnPress = true});
    w.layer({other, modal});
    w.window.click(xMouseButton::left, 10, 10);
    ASSERT_EQ(w.root().getFocus(), other);
    w.facade().setModal(modal);
    w.log.clear();
    w.window.press(xMouseButton::left, 10, 10);
    w.window.move(20, 20);
    w.window.wheel(120);
    w.window.keyDown(key::kTab);
    w.window.keyUp(key::kTab);
    w.window.release(xMouseButton::left, 10, 10);
    EXPECT_EQ(w.log,
              (Log{"modal:leftDown", "modal:move", "modal:wheel", "modal:keyDown", "modal:keyUp", "other:leftUp"}))
        << "the release still goes to the focus widget";
    EXPECT_EQ(w.root().getFocus(), other) << "a modal press does not release the focus";

    // Only widgets of the root's layers can be modal.
    ProbeWidget stranger("stranger", {0, 0, 1, 1}, w.log);
    w.facade().setModal(&stranger);
    EXPECT_EQ(w.root().getModal(), modal);
    w.facade().setModal(nullptr);
    w.log.clear();
    w.window.keyDown(key::kHome);
    EXPECT_EQ(w.log, (Log{"other:keyDown"}));
}

TEST(FocusOrder, TabWrapsBothWaysVisitsEachWidgetOnceAndSkipsWhatCannotTakeFocus)
{
    Window w;
    ProbeWidget::Options focusable{.focusable = true};
    auto* a = new ProbeWidget("a", {0, 0, 10, 10}, w.log, focusable);
    auto* plain = new ProbeWidget("plain", {0, 0, 10, 10}, w.log);
    auto* b = new ProbeWidget("b", {20, 0, 10, 10}, w.log, focusable);
    auto* hidden = new ProbeWidget("hidden", {0, 0, 10, 10}, w.log, focusable);
    auto* c = new ProbeWidget("c", {40, 0, 10, 10}, w.log, focusable);
    hidden->hide(false);
    w.layer({a, plain, b});
    w.layer({hidden, c});

    EXPECT_TRUE(w.window.keyDown(key::kTab)) << "Tab is always handled";
    EXPECT_EQ(w.root().getFocus(), a) << "nothing focused: the first widget that can take focus";
    w.window.paintInvalid();
    w.window.keyDown(key::kTab);
    EXPECT_EQ(w.root().getFocus(), b);
    // The new focus widget goes on top of its layer; the old focus, the old top (both a) and
    // the new focus are repainted.
    EXPECT_EQ(w.root().layers()[0]->drawingList().back(), b);
    EXPECT_EQ(w.window.invalidRect(), (xRect{0, 0, 30, 10}));
    w.window.keyDown(key::kTab);
    EXPECT_EQ(w.root().getFocus(), c) << "across layers, past the hidden one";
    w.window.keyDown(key::kTab);
    EXPECT_EQ(w.root().getFocus(), a) << "wraps to the first layer";
    w.window.keyDown(key::kTab, modifier::kShift);
    EXPECT_EQ(w.root().getFocus(), c) << "shift-Tab wraps backwards";
    w.window.keyDown(key::kTab, modifier::kShift);
    EXPECT_EQ(w.root().getFocus(), b);

    // With nothing that can take focus, Tab changes nothing and asks each widget once.
    for (ProbeWidget* p : {a, b, c})
        p->disable();
    for (ProbeWidget* p : {a, plain, b, hidden, c})
        p->focusQuestions = 0;
    w.window.keyDown(key::kTab);
    EXPECT_EQ(w.root().getFocus(), b);
    for (ProbeWidget* p : {a, plain, b, hidden, c})
        EXPECT_EQ(p->focusQuestions, 1);
}

TEST(FocusOrder, KeysGoToTheFocusWidgetAndLosingTheKeyboardReleasesIt)
{
    Window w;
    auto* a = new ProbeWidget("a", {0, 0, 10, 10}, w.log, {.focusable = true});
    w.layer({a});
    w.window.keyDown(key::kHome);
    w.window.wheel(120);
    EXPECT_TRUE(w.log.empty()) << "no focus: keys and wheel go nowhere";
    w.window.keyDown(key::kTab);
    w.window.keyDown(key::kHome);
    w.window.keyUp(key::kHome);
    w.window.wheel(-120);
    // Key codes far outside the usual range are just keys nobody handles.
    EXPECT_FALSE(w.window.keyDown(0xFFFFFFFFu));
    EXPECT_EQ(w.log, (Log{"a:keyDown", "a:keyUp", "a:wheel", "a:keyDown"}));
    w.window.focusGained();
    EXPECT_EQ(w.root().getFocus(), a);
    w.window.focusLost();
    EXPECT_EQ(w.root().getFocus(), nullptr);
    EXPECT_FALSE(a->isFocused());
}

TEST(WidgetAddition, PendingWidgetsJoinWithTheirLayerAndBoundsAndRepaintFollow)
{
    Window w;
    auto* layer = new xLayer;
    auto* first = new ProbeWidget("first", {10, 10, 20, 20}, w.log);
    auto* second = new ProbeWidget("second", {100, 50, 10, 5}, w.log);
    layer->addWidget(first);
    layer->addWidget(second);
    EXPECT_EQ(layer->pendingList().size(), 2u);
    EXPECT_EQ(first->parent(), nullptr);
    EXPECT_TRUE(layer->bounds().isEmpty());

    w.window.paintInvalid();
    w.facade().addLayer(layer);
    EXPECT_TRUE(layer->pendingList().empty());
    EXPECT_EQ(layer->creationList(), (std::vector<xWidget*>{first, second}));
    EXPECT_EQ(first->parent(), &w.root()) << "widgets talk to the root itself, not the facade";
    EXPECT_EQ(layer->bounds(), (xRect{10, 10, 100, 45}));
    EXPECT_EQ(w.window.invalidRect(), (xRect{10, 10, 100, 45}));

    // Added later, a widget joins at once; a hidden one is not repainted.
    w.window.paintInvalid();
    auto* hidden = new ProbeWidget("hidden", {200, 200, 5, 5}, w.log);
    hidden->hide(false);
    layer->addWidget(hidden);
    EXPECT_EQ(layer->bounds(), (xRect{10, 10, 195, 195}));
    EXPECT_TRUE(w.window.invalidRect().isEmpty());
    // Adding a layer twice, or a null one, changes nothing.
    w.facade().addLayer(layer);
    w.facade().addLayer(nullptr);
    EXPECT_EQ(w.root().layers().size(), 1u);
}

TEST(TimerTicks, VisibleWidgetsInCreationOrderLayerByLayerThenTheObserver)
{
    Window w;
    auto* a = new ProbeWidget("a", {0, 0, 5, 5}, w.log);
    auto* b = new ProbeWidget("b", {0, 0, 5, 5}, w.log, {.focusable = true});
    auto* hidden = new ProbeWidget("hidden", {0, 0, 5, 5}, w.log);
    auto* c = new ProbeWidget("c", {0, 0, 5, 5}, w.log);
    hidden->hide(false);
    w.layer({a, b});
    auto* second = w.layer({hidden, c});
    w.window.keyDown(key::kTab); // b on top of the drawing list: the creation order stays
    w.window.tick();
    EXPECT_EQ(w.log, (Log{"a:tick", "b:tick", "c:tick"}));
    EXPECT_EQ(w.observer->ticks, 1);
    second->setVisible(false);
    w.log.clear();
    w.window.tick();
    EXPECT_EQ(w.log, (Log{"a:tick", "b:tick"})) << "a hidden layer is not ticked";
}

// A widget that removes itself (or its whole layer) while it handles a press.
class SelfRemover final : public ProbeWidget {
public:
    SelfRemover(xLayer*& layer, bool wholeLayer, Log& log)
        : ProbeWidget("remover", {0, 0, 50, 50}, log, {.focusable = true}),
          layer_(layer),
          wholeLayer_(wholeLayer)
    { }
    ~SelfRemover() override { ++destroyed; }
    void onLeftDown(const xMouseEvent& e) override
    {
        ProbeWidget::onLeftDown(e);
        if (wholeLayer_)
            parent()->removeLayer(layer_);
        else
            layer_->removeWidget(this);
    }
    static inline int destroyed = 0;

private:
    xLayer*& layer_;
    bool wholeLayer_;
};

TEST(Removal, RootForgetsFocusModalAndHintTargetsOfRemovedWidgets)
{
    Window w;
    auto* focused = new ProbeWidget("focused", {0, 0, 10, 10}, w.log, {.focusable = true});
    auto* modal = new ProbeWidget("modal", {0, 0, 10, 10}, w.log);
    auto* keeper = new ProbeWidget("keeper", {0, 0, 10, 10}, w.log, {.focusable = true});
    xLayer* layer = w.layer({focused, modal, keeper});
    w.window.keyDown(key::kTab);
    w.facade().setModal(modal);
    ASSERT_EQ(w.root().getFocus(), focused);

    EXPECT_TRUE(layer->removeWidget(focused));
    EXPECT_EQ(w.root().getFocus(), nullptr);
    EXPECT_EQ(w.observer->lastFocus(), nullptr) << "the observer must not keep it either";
    EXPECT_TRUE(layer->removeWidget(modal));
    EXPECT_EQ(w.root().getModal(), nullptr);
    EXPECT_FALSE(layer->removeWidget(modal)) << "gone already";
    w.log.clear();
    w.window.press(xMouseButton::left, 5, 5);
    w.window.release(xMouseButton::left, 5, 5);
    w.window.keyDown(key::kTab);
    w.window.keyDown(key::kHome);
    EXPECT_EQ(w.log, (Log{"keeper:leftDown", "keeper:keyDown"}));

    // A whole layer removed with the focus in it.
    w.facade().removeLayer(layer);
    EXPECT_EQ(w.root().getFocus(), nullptr);
    EXPECT_TRUE(w.root().layers().empty());
    w.window.keyDown(key::kHome);
    w.window.tick();
}

TEST(Removal, WidgetsAndLayersRemovedDuringTheirOwnEventAreDestroyedAfterIt)
{
    for (bool wholeLayer : {false, true}) {
        Window w;
        xLayer* layer = nullptr;
        SelfRemover::destroyed = 0;
        auto* remover = new SelfRemover(layer, wholeLayer, w.log);
        auto* below = new ProbeWidget("below", {0, 0, 50, 50}, w.log);
        w.layer({below});
        layer = w.layer({remover});
        w.window.press(xMouseButton::left, 10, 10);
        EXPECT_EQ(SelfRemover::destroyed, 1);
        EXPECT_EQ(w.log, (Log{"remover:leftDown"})) << "the walk stops when the tree changed";
        w.window.release(xMouseButton::left, 10, 10);
        w.window.tick();
        w.window.paintAll();
        EXPECT_EQ(w.root().layers().size(), wholeLayer ? 1u : 2u);
    }
}
