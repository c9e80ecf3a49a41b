#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gallery/gallery.h"
#include "gui/draw_context.h"
#include "gui/resource_package.h"
#include "gui/root_observer.h"
#include "gui/widget.h"
#include "package_builder.h"

// The committed resource package, loaded once.
inline const vellum::xResourcePackage& shippedPackage()
{
    static const std::unique_ptr<vellum::xResourcePackage> package =
        gallery::loadPackage(sourceDir() + "/resources/gui");
    return *package;
}

// A widget that writes every call it gets into a shared log as "name:call", and can mark mouse
// presses handled, take focus on a press, or ask for the focus by Tab.
class ProbeWidget : public vellum::xWidget {
public:
    struct Options {
        bool focusable = false;
        bool handlesPress = false; // marks a press inside handled
        bool focusOnPress = false; // asks for focus on a press inside
    };

    ProbeWidget(std::string name, const vellum::xRect& rect, std::vector<std::string>& log, Options options)
        : xWidget(rect, options.focusable),
          name_(std::move(name)),
          log_(log),
          options_(options)
    { }
    ProbeWidget(std::string name, const vellum::xRect& rect, std::vector<std::string>& log)
        : ProbeWidget(std::move(name), rect, log, Options{})
    { }

    void onLeftDown(const vellum::xMouseEvent& e) override { press("leftDown", e); }
    void onRightDown(const vellum::xMouseEvent& e) override { press("rightDown", e); }
    void onLeftUp(const vellum::xMouseEvent&) override { note("leftUp"); }
    void onRightUp(const vellum::xMouseEvent&) override { note("rightUp"); }
    void onMouseMove(const vellum::xMouseEvent&) override { note("move"); }
    void onWheel(vellum::xWheelEvent&) override { note("wheel"); }
    void onKeyDown(vellum::xKeyEvent&) override { note("keyDown"); }
    void onKeyUp(vellum::xKeyEvent&) override { note("keyUp"); }
    void onTimer() override { note("tick"); }
    void draw(vellum::xDrawContext&) override { ++draws; }
    bool canTakeFocus() const override
    {
        ++focusQuestions;
        return xWidget::canTakeFocus();
    }

    int draws = 0;
    mutable int focusQuestions = 0;

private:
    void note(const char* what) { log_.push_back(name_ + ":" + what); }
    void press(const char* what, const vellum::xMouseEvent& e)
    {
        note(what);
        if (!contains(e))
            return;
        if (options_.focusOnPress)
            requestFocus();
        if (options_.handlesPress)
            markHandled();
    }

    std::string name_;
    std::vector<std::string>& log_;
    Options options_;
};

// Records the tiles painted, the ticks and the focus changes the root reports.
class RecordingObserver final : public vellum::xRootObserver {
public:
    void focusChanged(vellum::xWidget* widget) override
    {
        xRootObserver::focusChanged(widget);
        focusChanges.push_back(widget);
    }
    void draw(vellum::xDrawContext& context) override { tiles.push_back(context.area()); }
    void tick() override { ++ticks; }

    std::vector<vellum::xRect> tiles;
    std::vector<vellum::xWidget*> focusChanges;
    int ticks = 0;
};
