#include <gtest/gtest.h>

#include <vector>

#include "gallery/gallery.h"
#include "gallery/scenario.h"
#include "gui/headless_window.h"
#include "gui/question_panel.h"
#include "gui/root.h"
#include "toolkit_support.h"

using namespace vellum;

namespace {

// The gallery in a headless window (the panel itself draws without text here: it takes its
// font from the process's package, which the unit tests do not create).
struct Gallery {
    Gallery() : window(gallery::kWidth, gallery::kHeight)
    {
        gallery::build(*window.getFacade(), shippedPackage(), params);
        params.setPictured();
        window.paintAll();
    }
    gallery::Params params;
    xHeadlessWindow window;
};

xPoint middle(const xRect& r)
{
    return {r.x + r.width / 2, r.y + r.height / 2};
}

} // namespace

TEST(QuestionPanel, ModalUntilAnsweredByButtonOrKeyThenGoneWithItsLayer)
{
    Gallery g;
    std::vector<int> answers;
    const auto record = [&](bool ok) { answers.push_back(ok ? 1 : 0); };
    const std::size_t layers = g.window.root().layers().size();
    const gallery::Spots s = gallery::spots();

    xQuestionPanel* panel = xQuestionPanel::ask(*g.window.getFacade(), {0, 0, gallery::kWidth, gallery::kHeight},
                                                "Save bank to /tmp/ostrel.bnk?", record);
    EXPECT_EQ(g.window.root().layers().size(), layers + 1);
    EXPECT_EQ(g.window.root().getModal(), panel);
    EXPECT_TRUE(panel->box().contains(middle(panel->okButton())));
    // Painted over the gallery: the veil darkens what lies outside the box.
    const std::uint8_t before = g.window.surface().pixelAt(s.empty.x, s.empty.y)[1];
    g.window.paintInvalid();
    EXPECT_LT(g.window.surface().pixelAt(s.empty.x, s.empty.y)[1], before);

    // The controls below hear nothing: not a click, not the wheel, not Tab.
    const int toggle = g.params.toggles[0].value();
    g.window.click(xMouseButton::left, s.toggle.x, s.toggle.y);
    EXPECT_TRUE(g.window.wheel(120));
    EXPECT_EQ(g.params.toggles[0].value(), toggle);
    // A press on OK released outside it answers nothing.
    const xPoint ok = middle(panel->okButton());
    g.window.press(xMouseButton::left, ok.x, ok.y);
    g.window.release(xMouseButton::left, s.empty.x, s.empty.y);
    EXPECT_TRUE(answers.empty());
    // Cancel pressed and released: false, and the panel's layer is gone.
    const xPoint cancel = middle(panel->cancelButton());
    g.window.click(xMouseButton::left, cancel.x, cancel.y);
    EXPECT_EQ(answers, std::vector<int>{0});
    EXPECT_EQ(g.window.root().layers().size(), layers);
    EXPECT_EQ(g.window.root().getModal(), nullptr);
    g.window.click(xMouseButton::left, s.toggle.x, s.toggle.y);
    EXPECT_NE(g.params.toggles[0].value(), toggle) << "the controls hear clicks again";

    // Keys: Return presses the default (OK); Tab moves the default to Cancel; Escape cancels.
    xQuestionPanel::ask(*g.window.getFacade(), {0, 0, gallery::kWidth, gallery::kHeight}, "?", record);
    EXPECT_TRUE(g.window.keyDown(key::kReturn));
    xQuestionPanel::ask(*g.window.getFacade(), {0, 0, gallery::kWidth, gallery::kHeight}, "?", record);
    EXPECT_TRUE(g.window.keyDown(key::kTab));
    EXPECT_TRUE(g.window.keyDown(key::kReturn));
    panel = xQuestionPanel::ask(*g.window.getFacade(), {0, 0, gallery::kWidth, gallery::kHeight}, "?", record);
    EXPECT_TRUE(g.window.keyDown(key::kEscape));
    EXPECT_EQ(answers, (std::vector<int>{0, 1, 0, 0}));

    // Answered from outside (the binding closing): once, and a panel left open when the window
    // goes is destroyed with it without an answer.
    panel = xQuestionPanel::ask(*g.window.getFacade(), {0, 0, gallery::kWidth, gallery::kHeight}, "?", record);
    panel->answer(true);
    EXPECT_EQ(answers.size(), 5u);
    xQuestionPanel::ask(*g.window.getFacade(), {0, 0, gallery::kWidth, gallery::kHeight}, "left open", record);
    EXPECT_EQ(answers.size(), 5u);
}
