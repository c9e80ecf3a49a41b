#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/formatters.h"
#include "gui/subject.h"

// Small parameters for the toolkit's tests, the gallery and the window test: a value behind
// the views controls link to, settable from any thread. Every write notifies all views, as the
// synthesizer's parameters do.

// A value 0..1 (not bounded here: the controls must bound what they write) with a normalized
// view and a text view that prints it with a fixed number of decimals.
class TestFloatParam {
public:
    explicit TestFloatParam(int decimals = 2) : formatter_(decimals) { }
    TestFloatParam(const TestFloatParam&) = delete;
    TestFloatParam& operator=(const TestFloatParam&) = delete;

    vellum::xFloatView& normalized() { return normalized_; }
    vellum::xTextView& text() { return text_; }
    float value() const { return value_.load(); }
    // Writes as a host would: through the normalized view, notifying every view.
    void set(float v) { normalized_.set(v); }
    int writes() const { return writes_.load(); }

private:
    struct Normalized final : vellum::xFloatView {
        explicit Normalized(TestFloatParam& p) : param(p) { }
        float get() override { return param.value_.load(); }
        void set(float v) override
        {
            param.value_.store(v);
            ++param.writes_;
            param.normalized_.notify();
            param.text_.notify();
        }
        TestFloatParam& param;
    };
    struct Text final : vellum::xTextView {
        explicit Text(TestFloatParam& p) : param(p) { }
        std::string get() override { return param.formatter_.format(param.value_.load()); }
        void set(const std::string& t) override { param.normalized_.set(param.formatter_.parse(t)); }
        TestFloatParam& param;
    };

    vellum::DecimalFormatter formatter_;
    std::atomic<float> value_{0.0f};
    std::atomic<int> writes_{0};
    Normalized normalized_{*this};
    Text text_{*this};
};

// An index with an index view and a text view that names it (from a list, else the number).
class TestIntParam {
public:
    explicit TestIntParam(std::vector<std::string> names = {}) : names_(std::move(names)) { }
    TestIntParam(const TestIntParam&) = delete;
    TestIntParam& operator=(const TestIntParam&) = delete;

    vellum::xIntView& index() { return index_; }
    vellum::xTextView& text() { return text_; }
    std::int32_t value() const { return value_.load(); }
    void set(std::int32_t v) { index_.set(v); }
    int writes() const { return writes_.load(); }

private:
    struct Index final : vellum::xIntView {
        explicit Index(TestIntParam& p) : param(p) { }
        std::int32_t get() override { return param.value_.load(); }
        void set(std::int32_t v) override
        {
            param.value_.store(v);
            ++param.writes_;
            param.index_.notify();
            param.text_.notify();
        }
        TestIntParam& param;
    };
    struct Text final : vellum::xTextView {
        explicit Text(TestIntParam& p) : param(p) { }
        std::string get() override
        {
            const std::int32_t v = param.value_.load();
            return v >= 0 && static_cast<std::size_t>(v) < param.names_.size()
                ? param.names_[static_cast<std::size_t>(v)]
                : std::to_string(v);
        }
        void set(const std::string& t) override { param.index_.set(vellum::parseInteger(t)); }
        TestIntParam& param;
    };

    std::vector<std::string> names_;
    std::atomic<std::int32_t> value_{0};
    std::atomic<int> writes_{0};
    Index index_{*this};
    Text text_{*this};
};

// Records what a view tells its listeners, in order: "begin", "end" for gestures and "value"
// for changes, as a host adapter would see them. Register it with addListener; it keeps one
// reference for the test that made it (release it when done).
class GestureLog final : public vellum::xListener {
public:
    void valueChanged() override { add("value"); }
    void gestureBegan() override { add("begin"); }
    void gestureEnded() override { add("end"); }

    std::vector<std::string> take()
    {
        std::vector<std::string> taken;
        taken.swap(entries_);
        return taken;
    }

private:
    void add(const char* what) { entries_.emplace_back(what); }
    std::vector<std::string> entries_;
};
