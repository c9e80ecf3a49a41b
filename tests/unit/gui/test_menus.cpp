#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gallery/test_params.h"
#include "gui/check_item.h"
#include "gui/draw_text.h"
#include "gui/headless_window.h"
#include "gui/layer.h"
#include "gui/menu.h"
#include "gui/menu_trigger.h"
#include "gui/pixel_buffer.h"
#include "gui/popup_menu_view.h"
#include "gui/radio_menu.h"
#include "gui/root_interface.h"
#include "gui/shared_ref.h"
#include "toolkit_support.h"

using namespace vellum;

namespace {

class CountingItem final : public xMenuEntry {
public:
    CountingItem(int id, int& selections) : xMenuEntry(xMenuEntryKind::item, "counted", id), selections_(selections) { }
    void onSelected() override { ++selections_; }

private:
    int& selections_;
};

class RecordingListener final : public xMenuListener {
public:
    explicit RecordingListener(std::vector<int>& ids) : ids_(ids) { }
    void menuItemChosen(int id) override { ids_.push_back(id); }

private:
    std::vector<int>& ids_;
};

std::vector<int> checkedIds(const xMenu& menu)
{
    std::vector<int> ids;
    for (const xMenuEntry* e : menu.entries()) {
        if (const auto* item = dynamic_cast<const xCheckItem*>(e); item && item->isChecked())
            ids.push_back(item->id());
    }
    return ids;
}

} // namespace

TEST(MenuChoice, DismissChoosesNothingAndEveryOtherIdReachesTheListener)
{
    int selections = 0;
    std::vector<int> heard;
    xMenu menu("menu");
    menu.addEntry(new CountingItem(5, selections));
    menu.addEntry(new xMenuSeparator);
    menu.setListener(new RecordingListener(heard));

    menu.choose(0); // Escape, or a click outside
    EXPECT_EQ(menu.popup(nullptr, {0, 0}), 0) << "no native menu here: tracking dismisses";
    EXPECT_EQ(selections, 0);
    EXPECT_TRUE(heard.empty());

    menu.choose(5);
    menu.choose(42);
    EXPECT_EQ(selections, 1);
    EXPECT_EQ(heard, (std::vector<int>{5, 42})) << "an id no entry has still reaches the listener";

    // Automatic ids count down from -1 across the process; given ids replace them.
    xMenuItem first("a"), second("b"), given("c", 7);
    EXPECT_LT(first.id(), 0);
    EXPECT_EQ(second.id(), first.id() - 1);
    EXPECT_EQ(given.id(), 7);
    xMenuItem third("d");
    EXPECT_EQ(third.id(), second.id() - 2) << "the given id used up one automatic id too";
}

TEST(MenuChoice, RadioGroupsToggleItemsAndSubmenus)
{
    std::unique_ptr<xMenu> radio(createRadioMenu("Loop", {"1", "2", "3", "4", "5", "6", "7"}));
    radio->choose(4);
    EXPECT_EQ(checkedIds(*radio), (std::vector<int>{4}));
    radio->choose(4);
    EXPECT_EQ(checkedIds(*radio), (std::vector<int>{4})) << "choosing the checked item keeps it";
    radio->choose(2);
    EXPECT_EQ(checkedIds(*radio), (std::vector<int>{2}));

    xMenu menu("top");
    auto* toggle = new xCheckItem("toggle", 1, xCheckMode::toggle);
    menu.addEntry(toggle);
    menu.choose(1);
    EXPECT_TRUE(toggle->isChecked());
    menu.choose(1);
    EXPECT_FALSE(toggle->isChecked()) << "a toggle item chosen twice ends unchecked";

    // A check item inside a submenu gets its check logic when chosen from the top menu.
    auto* sub = new xMenu("sub");
    auto* inner = new xCheckItem("inner", 9, xCheckMode::toggle);
    sub->addEntry(inner);
    menu.addEntry(sub);
    menu.choose(9);
    EXPECT_TRUE(inner->isChecked());

    // Outside a menu the mark cannot be set, so the recorded state stays.
    xCheckItem loose("loose", 3, xCheckMode::toggle);
    loose.onSelected();
    EXPECT_FALSE(loose.isChecked());

    // A radio group spread over two menus: destroying one menu leaves no stale member behind.
    auto other = std::make_unique<xMenu>("other");
    auto* a = new xCheckItem("a", 11, xCheckMode::radio);
    auto* b = new xCheckItem("b", 12, xCheckMode::radio);
    other->addEntry(a);
    menu.addEntry(b);
    xCheckItem::linkRadioGroup({a, b, nullptr});
    xCheckItem::linkRadioGroup({a, b}); // twice: still one entry each
    EXPECT_EQ(a->group().size(), 1u);
    other->choose(11);
    menu.choose(12);
    EXPECT_FALSE(a->isChecked());
    other.reset();
    EXPECT_TRUE(b->group().empty());
    menu.choose(12);
    EXPECT_TRUE(b->isChecked());
}

TEST(MenuChoice, EntriesJoinOneMenuOnceAndMenusCannotHoldThemselves)
{
    xMenu top("top");
    auto* sub = new xMenu("sub");
    auto* item = new xMenuItem("item");
    EXPECT_FALSE(top.addEntry(nullptr));
    EXPECT_FALSE(top.addEntry(&top));
    EXPECT_TRUE(top.addEntry(sub));
    EXPECT_TRUE(sub->addEntry(item));
    EXPECT_FALSE(top.addEntry(item)) << "already in a menu";
    EXPECT_EQ(item->owner(), sub);
    xMenu outer("outer");
    // `top` is not in a menu, but it holds `sub`: adding `top` to `sub` would make a cycle.
    EXPECT_FALSE(sub->addEntry(&top));
    EXPECT_EQ(top.findEntry(item->id()), item);
}

TEST(MenuTrigger, ChoiceThroughTheBindingWritesItemMinusOne)
{
    // The parameters outlive the window's widgets, which listen to them.
    TestIntParam loop, any;
    xHeadlessWindow window(100, 100);
    loop.set(0);
    auto* layer = new xLayer;
    auto* trigger = new xMenuTrigger(loop.index(), createRadioMenu("Loop", {"a", "b", "c"}), {10, 10, 20, 10}, {7, 8},
                                     xTriggerButton::left);
    trigger->menu().addEntry(new xMenuItem("automatic id"));
    layer->addWidget(trigger);
    window.getFacade()->addLayer(layer);

    std::vector<xPoint> shownAt;
    std::vector<const xMenu*> shown;
    int answer = 3;
    window.setMenuChooser([&](const xMenu& menu, xPoint at) {
        shown.push_back(&menu);
        shownAt.push_back(at);
        return answer;
    });
    window.click(xMouseButton::right, 15, 15);
    window.click(xMouseButton::left, 5, 5);
    EXPECT_TRUE(shownAt.empty()) << "wrong button, or outside";
    window.click(xMouseButton::left, 15, 15);
    ASSERT_EQ(shownAt.size(), 1u);
    EXPECT_EQ(shown[0], &trigger->menu());
    EXPECT_EQ(shownAt[0].x, 7);
    EXPECT_EQ(shownAt[0].y, 8);
    EXPECT_EQ(loop.value(), 2);
    EXPECT_EQ(checkedIds(trigger->menu()), (std::vector<int>{3}));

    const int writes = loop.writes();
    answer = 0; // dismissed
    window.click(xMouseButton::left, 15, 15);
    answer = trigger->menu().entries().back()->id(); // an automatic, negative id
    window.click(xMouseButton::left, 15, 15);
    EXPECT_EQ(loop.writes(), writes) << "nothing written for a dismissed menu or an id below 1";

    // A trigger for any button opens on the right button too.
    auto* anyTrigger = new xMenuTrigger(any.index(), createRadioMenu("Any", {"x", "y"}), {50, 50, 10, 10}, {50, 60},
                                        xTriggerButton::any);
    layer->addWidget(anyTrigger);
    answer = 2;
    window.click(xMouseButton::right, 55, 55);
    EXPECT_EQ(any.value(), 1);
}

// The menu the toolkit draws where the platform has none (X11): rows, marks, keyboard and
// pointer rules, in one walk through a menu with a separator, a submenu and a radio group.
TEST(DrawnMenu, KeysSkipWhatCannotBeChosenPointerChoosesAndMarksShow)
{
    xMenu menu("menu");
    menu.addEntry(new xMenuItem("first", 1));
    menu.addEntry(new xMenuSeparator);
    menu.addEntry(new xMenu("submenu"));
    auto* a = new xCheckItem("radio a", 2, xCheckMode::radio);
    auto* b = new xCheckItem("radio b", 3, xCheckMode::radio);
    menu.addEntry(a);
    menu.addEntry(b);
    xCheckItem::linkRadioGroup({a, b});
    menu.choose(3);

    const auto& package = shippedPackage();
    xSharedRef<xFont> font(package.getFont("arial11"));
    xPopupMenuView view(menu, font.get());
    ASSERT_EQ(view.rowCount(), 5);
    EXPECT_GE(view.size().width, textWidth(*font, "radio b") + 20) << "room for the mark column and the text";
    EXPECT_EQ(view.highlighted(), -1) << "nothing is highlighted at first";
    EXPECT_EQ(view.keyDown(key::kReturn), xPopupMenuView::Outcome::none) << "Return without a highlight";

    using Outcome = xPopupMenuView::Outcome;
    EXPECT_EQ(view.keyDown(key::kDown), Outcome::changed);
    EXPECT_EQ(view.highlightedId(), 1);
    view.keyDown(key::kDown);
    EXPECT_EQ(view.highlightedId(), 2) << "the separator and the submenu are skipped";
    view.keyDown(key::kDown);
    view.keyDown(key::kDown);
    EXPECT_EQ(view.highlightedId(), 1) << "Down wraps";
    view.keyDown(key::kUp);
    EXPECT_EQ(view.highlightedId(), 3) << "Up wraps back";
    view.keyDown(key::kHome);
    EXPECT_EQ(view.highlightedId(), 1);
    EXPECT_EQ(view.keyDown('A'), Outcome::none);
    EXPECT_EQ(view.keyDown(key::kEscape), Outcome::dismissed);
    EXPECT_EQ(view.keyDown(key::kReturn), Outcome::chosen);

    const xRect separator = view.rowRect(1);
    const xRect radioA = view.rowRect(3);
    EXPECT_EQ(view.rowAt({separator.x + 5, separator.y + 2}), -1);
    EXPECT_EQ(view.rowAt({radioA.x + 5, radioA.y + 2}), 3);
    EXPECT_EQ(view.pointerMoved({radioA.x + 5, radioA.y + 2}), Outcome::changed);
    EXPECT_EQ(view.pointerMoved({-5, -5}), Outcome::none) << "outside, the highlight stays";
    EXPECT_EQ(view.highlightedId(), 2);
    EXPECT_EQ(view.buttonReleased({-5, -5}), Outcome::none);
    const xRect submenu = view.rowRect(2);
    EXPECT_EQ(view.buttonReleased({submenu.x + 5, submenu.y + 2}), Outcome::none) << "a submenu is not chosen";
    const xRect radioB = view.rowRect(4);
    EXPECT_EQ(view.buttonReleased({radioB.x + 5, radioB.y + 2}), Outcome::chosen);
    EXPECT_EQ(view.highlightedId(), 3);

    // Drawn: the frame, the highlighted row, and the dot of the checked radio item only.
    xPixelBuffer pixels(0, 0, view.size().width, view.size().height);
    view.draw(pixels);
    const auto darkPixels = [&](const xRect& r, int limit) {
        int count = 0;
        for (int y = r.y; y < r.bottom(); ++y) {
            for (int x = r.x; x < r.x + 16; ++x)
                count += pixels.pixelAt(x, y)[1] < limit ? 1 : 0;
        }
        return count;
    };
    EXPECT_LT(pixels.pixelAt(0, 0)[0], 128) << "the frame";
    EXPECT_EQ(darkPixels(radioA, 100), 0) << "an unchecked radio item has no mark";
    EXPECT_GT(pixels.pixelAt(radioB.right() - 2, radioB.y + 1)[0], pixels.pixelAt(radioB.right() - 2, radioB.y + 1)[2])
        << "the highlighted row is blue";
    EXPECT_EQ(pixels.pixelAt(radioB.x + 9, radioB.y + radioB.height / 2)[1], 255) << "a white dot on the highlight";
}
