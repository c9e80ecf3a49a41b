// The X11 window binding in a real X program (run under Xvfb): a top-level window stands in for
// the host's, the binding opens the toolkit's gallery inside it, and real input from the XTest
// extension drives it. Checks the parameter values the input leaves, the window's pixels
// against the headless render of the same state (also for a host that never calls idle),
// popup menus chosen with the keyboard and the mouse and dismissed, the question panel,
// closing and reopening, two instances, destruction with the window open, an invalid parent
// and a parent destroyed under the editor, X errors, and the number of windows.
//
//   ostrel-x11test RESOURCES_DIR [--shots DIR]   (resources/gui of the source tree)
//
// Ends with "x11test: N passed, M failed".

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gallery/gallery.h"
#include "gallery/scenario.h"
#include "gui/check_item.h"
#include "gui/headless_window.h"
#include "gui/menu.h"
#include "gui/popup_menu_view.h"
#include "gui/question_panel.h"
#include "gui/resource_package.h"
#include "gui/shared_ref.h"
#include "gui/vst_x11_binding.h"
#include "gui/x11_error_trap.h"
#include "gui/x11_image.h"
#include "x11_support.h"

using namespace vellum;
using x11test::Checks;
using x11test::Input;

namespace {

// Where the stand-in host windows go on the 1280 x 1024 screen.
constexpr int kLeft = 20;
constexpr int kTop = 100;
constexpr int kSecondLeft = 500;

Checks gChecks;
Display* gDisplay = nullptr;
int gTestErrors = 0;
int gForeignErrors = 0;
int gHostKeys = 0; // key presses the host windows got from an editor

bool check(bool ok, const std::string& what)
{
    return gChecks.check(ok, what);
}

// Errors of the test's own connection are failures of the test; errors of any other connection
// reaching this handler are errors the binding let escape.
int onXError(Display* display, XErrorEvent* error)
{
    char text[128];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::printf("X error on the %s connection: %s (request %d)\n", display == gDisplay ? "test's" : "binding's", text,
                error->request_code);
    (display == gDisplay ? gTestErrors : gForeignErrors)++;
    return 0;
}

// The test's connection to the second server of lostServer(), and losses of other connections
// that reached the process's handler (the binding's must not).
Display* gOtherServer = nullptr;
int gForeignLosses = 0;

int onLostConnection(Display* display)
{
    if (display != gOtherServer)
        ++gForeignLosses;
    return 0;
}

// One editor instance: its parameters, its binding and the gallery on it.
struct Instance {
    Instance() : binding(gallery::kWidth, gallery::kHeight)
    {
        menus = gallery::build(*binding.getFacade(), *getPackage(), params);
        params.setPictured();
    }
    gallery::Params params; // outlives the binding's widgets
    xVstX11Binding binding;
    gallery::Menus menus;
};

std::vector<Instance*> gLive;

// Runs every live editor's idle call for about `milliseconds`, as a host's timer would.
void pump(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        for (Instance* instance : gLive)
            instance->binding.idle();
        XSync(gDisplay, False);
        while (XPending(gDisplay) > 0) {
            XEvent event;
            XNextEvent(gDisplay, &event);
            if (event.type == KeyPress && event.xkey.send_event)
                ++gHostKeys;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
}

std::vector<std::uint8_t> headlessRender(const std::vector<gallery::Step>& steps)
{
    gallery::Params params;
    xHeadlessWindow window(gallery::kWidth, gallery::kHeight);
    gallery::build(*window.getFacade(), *getPackage(), params);
    params.setPictured();
    gallery::play(window, steps);
    window.paintAll();
    const std::uint8_t* first = window.surface().pixelAt(0, 0);
    return {first, first + static_cast<std::size_t>(gallery::kWidth) * gallery::kHeight * 4};
}

Window editorOf(Instance& instance)
{
    return reinterpret_cast<Window>(instance.binding.getNativeHandle());
}

void compareWindow(Instance& instance, const std::vector<std::uint8_t>& expected, const std::string& what)
{
    const auto pixels = x11test::readPixels(gDisplay, editorOf(instance), {0, 0, gallery::kWidth, gallery::kHeight});
    std::string first;
    const long differing = x11test::comparePixels(pixels, expected, gallery::kWidth, first);
    check(differing == 0, what + ": " + std::to_string(differing) + " pixels differ" + first);
}

// Plays the gallery's scenario as real input on the editor at `origin` (screen coordinates).
// The wheel's partial notches are summed into whole ones (an X wheel only has those) and turned
// over the last control pressed (X sends the wheel to the window under the pointer); a right
// press during a left one is followed by the left button's real release, which the binding
// must ignore (the left was released when the right went down).
void playScenario(Input& input, Instance& instance, xPoint origin)
{
    int wheel = 0;
    xPoint lastPress = origin;
    const auto at = [&](const gallery::Step& s) { return xPoint{origin.x + s.x, origin.y + s.y}; };
    const auto keysymOf = [](int code) -> unsigned long {
        switch (code) {
        case key::kTab: return XK_Tab;
        case key::kHome: return XK_Home;
        case key::kSpace: return XK_space;
        case key::kPageDown: return XK_Next;
        case key::kReturn: return XK_Return;
        case key::kEscape: return XK_Escape;
        case key::kDown: return XK_Down;
        default: return XK_VoidSymbol;
        }
    };
    for (const gallery::Step& s : gallery::scenario()) {
        const bool mouseStep = s.kind == gallery::StepKind::press || s.kind == gallery::StepKind::move
            || s.kind == gallery::StepKind::release;
        const bool keyStep = s.kind == gallery::StepKind::keyDown || s.kind == gallery::StepKind::keyUp;
        const bool shift =
            (mouseStep && (s.modifiers & mouse::kShift)) || (keyStep && (s.modifiers & modifier::kShift));
        input.shift(shift);
        switch (s.kind) {
        case gallery::StepKind::press:
            if (input.isHeld(Button1))
                input.release(Button1);
            input.moveTo(at(s));
            input.press(Button1);
            lastPress = at(s);
            break;
        case gallery::StepKind::move: input.moveTo(at(s)); break;
        case gallery::StepKind::release:
            input.moveTo(at(s));
            input.release(Button1);
            break;
        case gallery::StepKind::rightPress:
            input.moveTo(at(s));
            input.press(Button3);
            break;
        case gallery::StepKind::rightRelease:
            input.release(Button3);
            input.release(Button1);
            break;
        case gallery::StepKind::wheel:
            wheel += s.value;
            input.moveTo(lastPress);
            while (std::abs(wheel) >= 120) {
                const unsigned button = wheel > 0 ? Button4 : Button5;
                input.press(button);
                input.release(button);
                wheel -= wheel > 0 ? 120 : -120;
            }
            break;
        case gallery::StepKind::keyDown: input.keyDown(keysymOf(s.value)); break;
        case gallery::StepKind::keyUp: input.keyUp(keysymOf(s.value)); break;
        case gallery::StepKind::ticks: pump(s.value * 50 + 400); break;
        case gallery::StepKind::menu:
            input.click(Button1, at(s));
            pump(60);
            check(instance.binding.isMenuOpen(), "a click on a menu trigger opens the menu");
            for (int i = 0; i < s.value; ++i)
                input.tap(XK_Down);
            input.tap(s.value > 0 ? XK_Return : XK_Escape);
            check(!instance.binding.isMenuOpen(), "Return or Escape closes the menu");
            break;
        }
    }
    input.releaseAll();
    pump(100);
}

bool radioChecked(xMenu& menu, int id)
{
    const auto* item = dynamic_cast<const xCheckItem*>(menu.findEntry(id));
    return item && item->isChecked();
}

// The open popup menu's window and its rows (the same layout the binding draws).
struct OpenMenu {
    Window window = 0;
    xPoint origin;
    xRect rowOnScreen(const xPopupMenuView& view, int row) const
    {
        const xRect r = view.rowRect(row);
        return {origin.x + r.x, origin.y + r.y, r.width, r.height};
    }
};

OpenMenu findMenu()
{
    OpenMenu menu;
    menu.window = x11test::findTopLevel(gDisplay, "xPopupMenu");
    if (menu.window)
        menu.origin = x11test::screenOrigin(gDisplay, menu.window);
    return menu;
}

xPoint middle(const xRect& r)
{
    return {r.x + r.width / 2, r.y + r.height / 2};
}

void menusWithTheMouse(Input& input, Instance& instance, xPoint origin, const std::string& shots)
{
    const gallery::Spots s = gallery::spots();
    xSharedRef<xFont> font(getPackage()->getFont("arial11"));
    const xPoint loopTrigger{origin.x + s.loopTrigger.x, origin.y + s.loopTrigger.y};

    // Click, then click the fourth row ("2 --> 3", index 3).
    input.click(Button1, loopTrigger);
    pump(60);
    OpenMenu menu = findMenu();
    check(menu.window != 0, "the menu is an override-redirect window of its own");
    const xPopupMenuView view(*instance.menus.loop, font.get());
    if (menu.window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(gDisplay, menu.window, &attributes);
        check(attributes.override_redirect && attributes.width == view.size().width,
              "the menu window is override-redirect and as wide as its rows");
        check(std::abs(menu.origin.x - (origin.x + s.loopTrigger.x - 20)) <= 1
                  && std::abs(menu.origin.y - (origin.y + s.loopTrigger.y - 6)) <= 1,
              "the menu opens at the trigger's top-left corner");
        input.moveTo(middle(menu.rowOnScreen(view, 3)));
        if (!shots.empty()) {
            const xRect area{origin.x, origin.y, gallery::kWidth, gallery::kHeight};
            x11test::writePng(shots + "/x11-gallery-menu.png",
                              x11test::readPixels(gDisplay, DefaultRootWindow(gDisplay), area), area.width);
        }
        input.click(Button1, middle(menu.rowOnScreen(view, 3)));
    }
    check(instance.params.loop.value() == 3 && !instance.binding.isMenuOpen(),
          "a row clicked with the mouse is chosen");
    check(radioChecked(*instance.menus.loop, 4) && !radioChecked(*instance.menus.loop, 6),
          "the clicked radio item carries the check mark");

    // Press on the trigger, drag onto a row, release there: chosen too.
    input.moveTo(loopTrigger);
    input.press(Button1);
    pump(60);
    menu = findMenu();
    if (menu.window) {
        input.moveTo(middle(menu.rowOnScreen(view, 1)));
        input.release(Button1);
    }
    check(instance.params.loop.value() == 1, "press, drag onto a row and release chooses it");

    // A click outside the menu, on the toggle, closes the menu without choosing, and the toggle
    // does not hear it.
    const int toggle = instance.params.toggles[0].value();
    input.click(Button1, loopTrigger);
    pump(60);
    input.click(Button1, {origin.x + s.toggle.x, origin.y + s.toggle.y});
    pump(60);
    check(!instance.binding.isMenuOpen() && instance.params.loop.value() == 1
              && instance.params.toggles[0].value() == toggle,
          "a click outside closes the menu without choosing and reaches no control");
    check(x11test::findTopLevel(gDisplay, "xPopupMenu") == 0, "the menu window is gone");
}

void questions(Input& input, Instance& instance, xPoint origin, const std::string& shots)
{
    int answers = 0;
    int lastAnswer = -1;
    const auto record = [&](bool ok) {
        ++answers;
        lastAnswer = ok ? 1 : 0;
    };
    xQuestionPanel* panel = instance.binding.askQuestion("Save bank to /home/user/ostrel.bnk?", record);
    pump(80);
    check(panel != nullptr, "a question opens in the open editor");
    if (!panel)
        return;
    if (!shots.empty()) {
        x11test::writePng(shots + "/x11-question.png",
                          x11test::readPixels(gDisplay, editorOf(instance), {0, 0, gallery::kWidth, gallery::kHeight}),
                          gallery::kWidth);
    }
    // The controls below get nothing while it is open.
    const gallery::Spots s = gallery::spots();
    const int toggle = instance.params.toggles[0].value();
    input.click(Button1, {origin.x + s.toggle.x, origin.y + s.toggle.y});
    check(instance.params.toggles[0].value() == toggle && answers == 0, "the question is modal");
    const xRect ok = panel->okButton();
    input.click(Button1, {origin.x + ok.x + ok.width / 2, origin.y + ok.y + ok.height / 2});
    check(answers == 1 && lastAnswer == 1, "OK clicked answers true");

    instance.binding.askQuestion("Again?", record);
    pump(40);
    input.tap(XK_Escape);
    check(answers == 2 && lastAnswer == 0, "Escape answers false");
    instance.binding.askQuestion("Again?", record);
    pump(40);
    input.tap(XK_Tab);
    input.tap(XK_Return);
    check(answers == 3 && lastAnswer == 0, "Tab moves the default to Cancel, Return presses it");
}

// Both ways to the server, shared memory and the plain image, put the same pixels, in blocks
// of 128 x 128 and a remainder, at an offset.
void imagePaths()
{
    // 5 x 3 blocks: more than the shared image's slots, so slots are written again.
    constexpr int kWidth = 520;
    constexpr int kHeight = 300;
    std::vector<std::uint8_t> pattern(static_cast<std::size_t>(kWidth) * kHeight * 4);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>((i * 37 + i / 1200) & 0xFF);
    const int screen = DefaultScreen(gDisplay);
    Pixmap pixmap = XCreatePixmap(gDisplay, DefaultRootWindow(gDisplay), kWidth + 10, kHeight + 10,
                                  static_cast<unsigned>(DefaultDepth(gDisplay, screen)));
    GC gc = XCreateGC(gDisplay, pixmap, 0, nullptr);
    for (bool shared : {true, false}) {
        {
            xX11Image image(gDisplay, DefaultVisual(gDisplay, screen), DefaultDepth(gDisplay, screen), shared);
            if (shared && !image.usesSharedMemory())
                std::printf("note: this X server refuses MIT-SHM; the plain image is used\n");
            check(shared || !image.usesSharedMemory(), "the image takes the way it is asked to");
            image.put(pixmap, gc, pattern.data(), kWidth * 4, kWidth, kHeight, 10, 10);
        }
        std::string first;
        const long differing = x11test::comparePixels(x11test::readPixels(gDisplay, pixmap, {10, 10, kWidth, kHeight}),
                                                      pattern, kWidth, first);
        check(differing == 0,
              std::string(shared ? "shared-memory" : "plain") + " image: " + std::to_string(differing)
                  + " pixels differ" + first);
    }
    XFreeGC(gDisplay, gc);
    XFreePixmap(gDisplay, pixmap);
}

// The X server goes away under an open editor (here a second Xvfb of the test's own, killed):
// the binding's idle, close and destruction must not end the process, which Xlib's default
// handling of a lost connection does.
void lostServer()
{
    // Xvfb picks a free display number itself and writes it to the pipe.
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return;
    const pid_t server = fork();
    if (server == 0) {
        close(pipeEnds[0]);
        const std::string fd = std::to_string(pipeEnds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    // The display number, up to the newline Xvfb ends it with. The pipe stays open until the
    // newline came: Xvfb writes the digits and the newline apart, and a closed pipe under the
    // second write makes it give up.
    std::string name(1, ':');
    char c = 0;
    while (server > 0 && name.size() < 12 && read(pipeEnds[0], &c, 1) == 1 && c != '\n') {
        if (c >= '0' && c <= '9')
            name.push_back(c);
    }
    close(pipeEnds[0]);
    const char* number = name.c_str();
    Display* other = nullptr;
    if (name.size() > 1)
        other = XOpenDisplay(number);
    if (!other) {
        std::printf("note: no second Xvfb could be started; the lost-server case is not run\n");
        if (server > 0) {
            kill(server, SIGKILL);
            waitpid(server, nullptr, 0);
        }
        return;
    }
    // The test's own connection to that server must survive its loss too: its handlers return
    // (for that connection only; the loss of any other reaching them is a failure).
    gOtherServer = other;
    XSetIOErrorHandler(onLostConnection);
    XSetIOErrorExitHandler(
        other, [](Display*, void*) {}, nullptr);
    Window top = x11test::createTopLevel(other, 0, 0, gallery::kWidth, gallery::kHeight);
    const char* saved = std::getenv("DISPLAY");
    const std::string previous = saved ? saved : "";
    setenv("DISPLAY", number, 1);
    {
        Instance instance;
        const bool opened = instance.binding.open(reinterpret_cast<void*>(top));
        setenv("DISPLAY", previous.c_str(), 1);
        check(opened, "an editor opens on the second server");
        instance.binding.idle();
        kill(server, SIGKILL);
        waitpid(server, nullptr, 0);
        for (int i = 0; i < 3; ++i) {
            instance.binding.postUpdate();
            instance.binding.idle();
        }
        check(!instance.binding.isOpen(), "after its server is gone the editor is closed");
        instance.binding.close();
        check(!instance.binding.open(reinterpret_cast<void*>(top)), "and cannot open there again");
    }
    XCloseDisplay(other);
    check(gForeignLosses == 0, "the process survives the loss of the X server, and its handler never hears of it");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s RESOURCES_DIR [--shots DIR]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string shots = argc >= 4 && std::string(argv[2]) == "--shots" ? argv[3] : "";
    {
        const auto read = [&](const char* name) {
            std::ifstream in(dir + "/" + name, std::ios::binary);
            return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        };
        const std::vector<char> index = read("index.xml");
        const std::vector<char> blob = read("package.bin");
        if (!createPackage(index.data(), index.size(), reinterpret_cast<const std::uint8_t*>(blob.data()),
                           blob.size())) {
            std::fprintf(stderr, "x11test: no resources in %s\n", dir.c_str());
            return 2;
        }
    }
    gDisplay = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!gDisplay || !XTestQueryExtension(gDisplay, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "x11test: needs an X display with the XTest extension\n");
        return 2;
    }
    XSetErrorHandler(onXError);
    Input input(gDisplay, pump);
    // The pointer waits in a corner, away from the windows.
    input.moveTo({1270, 1010});
    const int baseline = x11test::countWindows(gDisplay);
    imagePaths();

    {
        auto first = std::make_unique<Instance>();
        gLive.push_back(first.get());
        const xEditorRect* rect = first->binding.getRect();
        check(rect == first->binding.getRect() && rect->top == 0 && rect->left == 0 && rect->bottom == gallery::kHeight
                  && rect->right == gallery::kWidth,
              "getRect gives the same 760 x 500 record every time");

        // Away from the screen's edge: the scenario drags above the editor's top.
        Window top = x11test::createTopLevel(gDisplay, kLeft, kTop, gallery::kWidth, gallery::kHeight);
        check(first->binding.open(reinterpret_cast<void*>(top)), "open creates the editor window");
        Window editor = editorOf(*first);
        const std::vector<Window> children = x11test::childrenOf(gDisplay, top);
        check(children.size() == 1 && children[0] == editor, "the editor is the one child of the host window");
        check(x11test::countWindows(gDisplay) == baseline + 2, "open makes one window");
        // No idle yet: the picture of open() is there all the same.
        XSync(gDisplay, False);
        compareWindow(*first, headlessRender({}), "before any idle the window shows the headless render");
        if (!shots.empty()) {
            x11test::writePng(shots + "/x11-gallery.png",
                              x11test::readPixels(gDisplay, editor, {0, 0, gallery::kWidth, gallery::kHeight}),
                              gallery::kWidth);
        }
        pump(100);

        // The scenario: drag, shift-drag, wheel, toggle, Tab, shift-Tab, Home, Space, Page Down, a
        // menu chosen with the keyboard, a menu dismissed with Escape, a right press during a left
        // press, a double click, resting on a hover hint.
        const xPoint origin = x11test::screenOrigin(gDisplay, editor);
        playScenario(input, *first, origin);
        for (const std::string& wrong : gallery::checkOutcome(first->params))
            check(false, "scenario: " + wrong);
        check(gallery::checkOutcome(first->params).empty(), "the scenario leaves the expected values");
        check(radioChecked(*first->menus.loop, 6) && !radioChecked(*first->menus.loop, 5)
                  && !radioChecked(*first->menus.repeat, 4),
              "the chosen radio item carries the only check mark");
        compareWindow(*first, headlessRender(gallery::scenario()),
                      "after the scenario the window equals the headless render");
        input.moveTo({1270, 1010});

        menusWithTheMouse(input, *first, origin, shots);
        questions(input, *first, origin, shots);

        // A question still open when the editor closes is answered Cancel.
        int answer = -1;
        first->binding.askQuestion("Open while closing?", [&](bool ok) { answer = ok ? 1 : 0; });
        pump(40);
        first->binding.close();
        check(answer == 0, "closing the editor answers an open question with Cancel");
        check(!first->binding.isOpen() && x11test::childrenOf(gDisplay, top).empty(),
              "close destroys the editor window");
        check(first->binding.askQuestion("closed", nullptr) == nullptr, "no question without an open editor");
        first->binding.close(); // closing twice is harmless
        first->binding.idle();  // and idle while closed does nothing
        XDestroyWindow(gDisplay, top);
        check(x11test::countWindows(gDisplay) == baseline, "no window is left after close");

        top = x11test::createTopLevel(gDisplay, kLeft, kTop, gallery::kWidth, gallery::kHeight);
        check(first->binding.open(reinterpret_cast<void*>(top)), "the editor opens again");
        pump(100);
        first->params.bigKnobs[0].set(0.5f);
        const gallery::Spots s = gallery::spots();
        const xPoint knob{kLeft + s.dragKnob.x, kTop + s.dragKnob.y};
        input.click(Button1, knob);
        input.press(Button5);
        input.release(Button5);
        check(std::fabs(first->params.bigKnobs[0].value() - 0.48f) < 1e-5f,
              "reopened: a click and the wheel move the knob");
        input.tap(XK_Tab);
        input.tap(XK_Tab);
        input.tap(XK_End);
        check(first->params.bigKnobs[1].value() == 0.0f, "reopened: Tab and End reach the next knob");
        const int hostKeys = gHostKeys;
        input.tap(XK_F5);
        check(gHostKeys == hostKeys + 1, "a key no control uses goes on to the host's window");

        // A second instance in another host window; the first is destroyed with its window open.
        {
            auto second = std::make_unique<Instance>();
            gLive.push_back(second.get());
            Window secondTop = x11test::createTopLevel(gDisplay, kSecondLeft, kTop, gallery::kWidth, gallery::kHeight);
            check(second->binding.open(reinterpret_cast<void*>(secondTop)), "a second instance opens");
            pump(100);
            check(x11test::countWindows(gDisplay) == baseline + 4, "two editors, two windows of their own");
            second->params.bigKnobs[0].set(0.5f);
            input.click(Button1, {knob.x - kLeft + kSecondLeft, knob.y});
            input.press(Button4);
            input.release(Button4);
            check(std::fabs(second->params.bigKnobs[0].value() - 0.52f) < 1e-5f
                      && first->params.bigKnobs[0].value() == 0.48f,
                  "the second instance's knob moves, the first's stays");

            std::erase(gLive, first.get());
            first.reset();
            check(x11test::childrenOf(gDisplay, top).empty(),
                  "destroying a binding with its window open closes the window first");
            input.click(Button1, {knob.x - kLeft + kSecondLeft, knob.y});
            input.press(Button5);
            input.release(Button5);
            check(std::fabs(second->params.bigKnobs[0].value() - 0.50f) < 1e-5f,
                  "the second instance keeps working after the first is gone");

            // The host destroys its window under the editor.
            XDestroyWindow(gDisplay, secondTop);
            XSync(gDisplay, False);
            pump(100);
            check(!second->binding.isOpen(), "a host window destroyed under the editor leaves it closed");
            second->binding.close();
            std::erase(gLive, second.get());
        }
        XDestroyWindow(gDisplay, top);
    }

    lostServer();
    {
        // Bad parent ids: no window, and the process goes on.
        xVstX11Binding binding(gallery::kWidth, gallery::kHeight);
        check(!binding.open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x3fffffff))),
              "open with an id that is no window answers false");
        check(!binding.open(nullptr), "open with no parent answers false");
        binding.idle();
        check(!binding.isOpen() && binding.getNativeHandle() == nullptr, "and leaves the binding closed");
    }
    XSync(gDisplay, False);
    check(x11test::countWindows(gDisplay) == baseline, "no window is left at the end");
    check(gForeignErrors == 0, "no X error of the binding's connections reached the process's handler");
    check(gTestErrors == 0, "no X error on the test's connection");
    XCloseDisplay(gDisplay);
    destroyPackage();
    return gChecks.summary("x11test");
}
