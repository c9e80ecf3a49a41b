#include "patch/param.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

// round(v * precision) / precision with halves away from zero.
double roundToPrecision(double v, double precision)
{
    return std::round(v * precision) / precision;
}

// A normalized value as the host may receive it: within 0..1, NaN as 0.
float boundedNormalized(double x)
{
    return std::isnan(x) ? 0.0f : static_cast<float>(std::clamp(x, 0.0, 1.0));
}

} // namespace

xParam::xParam(std::string name, std::string label) : name_(std::move(name)), label_(std::move(label))
{ }

void xParam::notifyViews(vellum::xSubject& a, vellum::xSubject& b, vellum::xSubject& c)
{
    a.notify();
    b.notify();
    c.notify();
}

void xParam::beginGestureOn(vellum::xSubject& a, vellum::xSubject& b, vellum::xSubject& c)
{
    a.notifyGestureBegan();
    b.notifyGestureBegan();
    c.notifyGestureBegan();
}

void xParam::endGestureOn(vellum::xSubject& a, vellum::xSubject& b, vellum::xSubject& c)
{
    a.notifyGestureEnded();
    b.notifyGestureEnded();
    c.notifyGestureEnded();
}

// ---- xFloatParam ---------------------------------------------------------------------------

xFloatParam::xFloatParam(std::string name, std::string label, float min, float max, int decimals)
    : xParam(std::move(name), std::move(label)),
      min_(min),
      max_(max),
      precision_(static_cast<float>(std::pow(10.0, decimals)))
{ }

bool xFloatParam::deriveValueLocked()
{
    if (valid_.value)
        return true;
    if (valid_.normalized && mapping_) {
        valueCache_ = static_cast<float>(mapping_->toValue(static_cast<double>(normalizedCache_)));
    } else if (valid_.text && formatter_) {
        valueCache_ = formatter_->parse(textCache_);
    } else {
        return false;
    }
    valid_.value = true;
    return true;
}

float xFloatParam::boundedValueLocked() const
{
    return std::isnan(valueCache_) ? min_ : std::clamp(valueCache_, min_, max_);
}

float xFloatParam::getNormalized()
{
    std::lock_guard lock(lock_);
    if (valid_.normalized)
        return normalizedCache_;
    if (!deriveValueLocked() || !mapping_)
        return -1.0f;
    normalizedCache_ = boundedNormalized(mapping_->toNormalized(static_cast<double>(boundedValueLocked())));
    valid_.normalized = true;
    return normalizedCache_;
}

void xFloatParam::setNormalized(float x)
{
    {
        std::lock_guard lock(lock_);
        if (!mapping_)
            return;
        const double v = roundToPrecision(mapping_->toValue(static_cast<double>(x)), static_cast<double>(precision_));
        valueCache_ = static_cast<float>(v);
        normalizedCache_ = static_cast<float>(mapping_->toNormalized(v));
        valid_ = {true, true, false};
    }
    notifyAll();
}

float xFloatParam::getValue()
{
    std::lock_guard lock(lock_);
    return deriveValueLocked() ? valueCache_ : -1.0f;
}

void xFloatParam::setValue(float v)
{
    {
        std::lock_guard lock(lock_);
        valueCache_ = v;
        valid_ = {false, true, false};
    }
    notifyAll();
}

void xFloatParam::setHostValue(float v)
{
    if (std::isnan(v) || !mapping_)
        return;
    const double low = mapping_->toValue(0.0);
    const double high = mapping_->toValue(1.0);
    const double bounded = std::clamp(static_cast<double>(v), std::min(low, high), std::max(low, high));
    // A whole-numbered parameter takes whole values only; a finer one keeps the host's value
    // as it is, so a preset's value between display steps comes back exactly.
    setValue(static_cast<float>(precision_ == 1.0f ? std::round(bounded) : bounded));
}

std::string xFloatParam::getText()
{
    std::lock_guard lock(lock_);
    if (valid_.text)
        return textCache_;
    if (!deriveValueLocked() || !formatter_)
        return vellum::kInvalidText;
    textCache_ = formatter_->format(boundedValueLocked());
    valid_.text = true;
    return textCache_;
}

void xFloatParam::setText(const std::string& text)
{
    {
        std::lock_guard lock(lock_);
        textCache_ = text;
        valid_ = {false, false, true};
    }
    notifyAll();
}

// ---- xIntParam -----------------------------------------------------------------------------

xIntParam::xIntParam(std::string name, std::string label, std::int32_t count)
    : xParam(std::move(name), std::move(label)),
      mapping_(std::make_unique<IntMapping>(count))
{ }

void xIntParam::setMapping(IntMapping* mapping)
{
    if (!mapping)
        return;
    std::lock_guard lock(lock_);
    mapping_.reset(mapping);
}

bool xIntParam::deriveValueLocked()
{
    if (valid_.value)
        return true;
    if (valid_.normalized) {
        valueCache_ = mapping_->toValue(static_cast<double>(normalizedCache_));
    } else if (valid_.text) {
        valueCache_ = textCallback_ ? textCallback_->fromText(textCache_) : vellum::parseInteger(textCache_);
    } else {
        return false;
    }
    valid_.value = true;
    return true;
}

std::int32_t xIntParam::boundedValueLocked() const
{
    return valueCache_ >= 0 && valueCache_ < mapping_->count() ? valueCache_ : outOfRange_;
}

float xIntParam::getNormalized()
{
    std::lock_guard lock(lock_);
    if (valid_.normalized)
        return normalizedCache_;
    if (!deriveValueLocked())
        return -1.0f;
    normalizedCache_ = boundedNormalized(mapping_->toNormalized(boundedValueLocked()));
    valid_.normalized = true;
    return normalizedCache_;
}

void xIntParam::setNormalized(float x)
{
    {
        std::lock_guard lock(lock_);
        valueCache_ = mapping_->toValue(static_cast<double>(x));
        normalizedCache_ = static_cast<float>(mapping_->toNormalized(valueCache_));
        valid_ = {true, true, false};
    }
    notifyAll();
}

void xIntParam::setHostValue(float v)
{
    if (std::isnan(v))
        return;
    const double top = static_cast<double>(count() - 1);
    setValue(static_cast<std::int32_t>(std::round(std::clamp(static_cast<double>(v), 0.0, top))));
}

std::int32_t xIntParam::getValue()
{
    std::lock_guard lock(lock_);
    return deriveValueLocked() ? valueCache_ : -1;
}

void xIntParam::setValue(std::int32_t v)
{
    {
        std::lock_guard lock(lock_);
        valueCache_ = v;
        valid_ = {false, true, false};
    }
    notifyAll();
}

std::string xIntParam::getText()
{
    std::lock_guard lock(lock_);
    if (valid_.text)
        return textCache_;
    if (!deriveValueLocked())
        return vellum::kInvalidText;
    const std::int32_t shown = boundedValueLocked();
    textCache_ = textCallback_ ? textCallback_->toText(shown) : std::to_string(shown);
    valid_.text = true;
    return textCache_;
}

void xIntParam::setText(const std::string& text)
{
    {
        std::lock_guard lock(lock_);
        textCache_ = text;
        valid_ = {false, false, true};
    }
    notifyAll();
}

} // namespace ostrel
