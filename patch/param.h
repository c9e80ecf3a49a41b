#pragma once

#include "gui/formatters.h"
#include "gui/subject.h"
#include "patch/int_text.h"
#include "patch/mapping.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace ostrel {

// A patch setting with three views: normalized (0..1, host automation and knobs), value (the
// native value the engine and chunks use) and text (display). Only the view that was set holds
// a valid cache; the others are derived lazily on first read and cached. Every view may be used
// from any thread: one lock per parameter guards the caches, and listeners are notified after
// it is released, so a listener may read the parameter again.
//
// The value view stores whatever it is given (a chunk may carry any number), but the views
// derived from it show what the engine plays for it: a float below its range or NaN as the
// bottom of the range, one above as the top; an int outside 0..count-1 as the parameter's
// out-of-range value. So the host and the editor only ever see a normalized value in 0..1
// and the text of a value in range.
class xParam {
public:
    xParam(std::string name, std::string label);
    virtual ~xParam() = default;
    xParam(const xParam&) = delete;
    xParam& operator=(const xParam&) = delete;

    const std::string& name() const { return name_; }
    const std::string& label() const { return label_; }

    virtual vellum::xFloatView& normalized() = 0;
    virtual vellum::xTextView& text() = 0;

    // The value in the parameter's own units, as hosts whose controls carry plain values (LV2
    // control ports) exchange it: the stored value, an int's index as a float.
    virtual float hostValue() = 0;
    virtual void setHostValue(float v) = 0;

protected:
    // Which caches hold the current value. All clear after construction.
    struct Validity {
        bool normalized = false;
        bool value = false;
        bool text = false;
    };

    void notifyViews(vellum::xSubject& a, vellum::xSubject& b, vellum::xSubject& c);
    // A gesture on one view is a gesture on the parameter: the listeners of all three hear it.
    static void beginGestureOn(vellum::xSubject& a, vellum::xSubject& b, vellum::xSubject& c);
    static void endGestureOn(vellum::xSubject& a, vellum::xSubject& b, vellum::xSubject& c);

    std::mutex lock_;
    Validity valid_;
    float normalizedCache_ = 0.0f;
    std::string textCache_;

private:
    std::string name_;
    std::string label_;
};

class xFloatParam final : public xParam {
public:
    // decimals: how many decimals a value set through the normalized view keeps (0..3).
    xFloatParam(std::string name, std::string label, float min, float max, int decimals);

    float min() const { return min_; }
    float max() const { return max_; }
    float precision() const { return precision_; }

    // Both take ownership; set once after construction.
    void setMapping(xValueMapping* mapping) { mapping_.reset(mapping); }
    void setFormatter(vellum::xValueFormatter* formatter) { formatter_.reset(formatter); }
    const xValueMapping* mapping() const { return mapping_.get(); }
    const vellum::xValueFormatter* formatter() const { return formatter_.get(); }

    // A host's value is clamped to the range a host reaches (the mapping's ends), rounded to a
    // whole number when the parameter has no decimals, and stored through the value view. NaN
    // carries no value and is ignored.
    float hostValue() override { return getValue(); }
    void setHostValue(float v) override;

    vellum::xFloatView& normalized() override { return normalizedView_; }
    vellum::xFloatView& value() { return valueView_; }
    vellum::xTextView& text() override { return textView_; }

    float getNormalized();
    void setNormalized(float x);
    float getValue();
    void setValue(float v);
    std::string getText();
    void setText(const std::string& text);
    // A user's gesture on the parameter (see xSubject::beginGesture).
    void beginGesture() { beginGestureOn(normalizedView_, valueView_, textView_); }
    void endGesture() { endGestureOn(normalizedView_, valueView_, textView_); }

private:
    struct NormalizedView final : vellum::xFloatView {
        explicit NormalizedView(xFloatParam& p) : param(p) { }
        void beginGesture() override { param.beginGesture(); }
        void endGesture() override { param.endGesture(); }
        float get() override { return param.getNormalized(); }
        void set(float x) override { param.setNormalized(x); }
        xFloatParam& param;
    };
    struct ValueView final : vellum::xFloatView {
        explicit ValueView(xFloatParam& p) : param(p) { }
        void beginGesture() override { param.beginGesture(); }
        void endGesture() override { param.endGesture(); }
        float get() override { return param.getValue(); }
        void set(float v) override { param.setValue(v); }
        xFloatParam& param;
    };
    struct TextView final : vellum::xTextView {
        explicit TextView(xFloatParam& p) : param(p) { }
        void beginGesture() override { param.beginGesture(); }
        void endGesture() override { param.endGesture(); }
        std::string get() override { return param.getText(); }
        void set(const std::string& t) override { param.setText(t); }
        xFloatParam& param;
    };

    // Derivations; called with the lock held.
    bool deriveValueLocked();
    // The cached value as the engine plays it: within min..max, NaN as min.
    float boundedValueLocked() const;
    void notifyAll() { notifyViews(normalizedView_, valueView_, textView_); }

    float min_, max_, precision_;
    std::unique_ptr<xValueMapping> mapping_;
    std::unique_ptr<vellum::xValueFormatter> formatter_;
    float valueCache_ = 0.0f;
    NormalizedView normalizedView_{*this};
    ValueView valueView_{*this};
    TextView textView_{*this};
};

class xIntParam final : public xParam {
public:
    // count: number of values; the value is 0..count-1.
    xIntParam(std::string name, std::string label, std::int32_t count);

    std::int32_t count() const { return mapping_->count(); }
    // Takes ownership and deletes the mapping held before.
    void setMapping(IntMapping* mapping);
    void setTextCallback(IntTextCallback* callback) { textCallback_.reset(callback); }
    // What a stored value outside 0..count-1 is shown as: the value the engine plays then
    // (0 unless set).
    void setOutOfRangeValue(std::int32_t v) { outOfRange_ = v; }
    // A host's value is clamped to 0..count-1, rounded to the nearest index (halves away from
    // zero) and stored through the value view. NaN is ignored.
    float hostValue() override { return static_cast<float>(getValue()); }
    void setHostValue(float v) override;

    vellum::xFloatView& normalized() override { return normalizedView_; }
    vellum::xIntView& value() { return valueView_; }
    vellum::xTextView& text() override { return textView_; }

    float getNormalized();
    void setNormalized(float x);
    std::int32_t getValue();
    void setValue(std::int32_t v);
    std::string getText();
    void setText(const std::string& text);
    void beginGesture() { beginGestureOn(normalizedView_, valueView_, textView_); }
    void endGesture() { endGestureOn(normalizedView_, valueView_, textView_); }

private:
    struct NormalizedView final : vellum::xFloatView {
        explicit NormalizedView(xIntParam& p) : param(p) { }
        void beginGesture() override { param.beginGesture(); }
        void endGesture() override { param.endGesture(); }
        float get() override { return param.getNormalized(); }
        void set(float x) override { param.setNormalized(x); }
        xIntParam& param;
    };
    struct ValueView final : vellum::xIntView {
        explicit ValueView(xIntParam& p) : param(p) { }
        void beginGesture() override { param.beginGesture(); }
        void endGesture() override { param.endGesture(); }
        std::int32_t get() override { return param.getValue(); }
        void set(std::int32_t v) override { param.setValue(v); }
        xIntParam& param;
    };
    struct TextView final : vellum::xTextView {
        explicit TextView(xIntParam& p) : param(p) { }
        void beginGesture() override { param.beginGesture(); }
        void endGesture() override { param.endGesture(); }
        std::string get() override { return param.getText(); }
        void set(const std::string& t) override { param.setText(t); }
        xIntParam& param;
    };

    bool deriveValueLocked();
    std::int32_t boundedValueLocked() const;
    void notifyAll() { notifyViews(normalizedView_, valueView_, textView_); }

    std::unique_ptr<IntMapping> mapping_;
    std::unique_ptr<IntTextCallback> textCallback_;
    std::int32_t valueCache_ = 0;
    std::int32_t outOfRange_ = 0;
    NormalizedView normalizedView_{*this};
    ValueView valueView_{*this};
    TextView textView_{*this};
};

} // namespace ostrel
