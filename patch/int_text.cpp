#include "patch/int_text.h"

#include "dsp/wave_names.h"
#include "gui/formatters.h"

namespace ostrel {

namespace {

std::string numberToText(std::int32_t value)
{
    return std::to_string(value);
}

std::int32_t numberFromText(std::string_view text)
{
    return vellum::parseInteger(text);
}

std::string waveToText(std::int32_t value)
{
    // A chunk may carry an index outside the table: show the bare shown number then.
    const char* name = ostrel::waveName(value);
    return name ? std::string(name) : std::to_string(static_cast<long long>(value) + kWaveNumberOffset);
}

std::int32_t waveFromText(std::string_view text)
{
    const long long number = vellum::parseInteger(text);
    return static_cast<std::int32_t>(number - kWaveNumberOffset);
}

std::string switchToText(std::int32_t value)
{
    return value == 0 ? "off" : "on";
}

std::int32_t switchFromText(std::string_view text)
{
    return text == "on" ? 1 : 0;
}

} // namespace

IntTextCallback* IntTextCallback::number()
{
    return new IntTextCallback{numberToText, numberFromText};
}

IntTextCallback* IntTextCallback::waveName()
{
    return new IntTextCallback{waveToText, waveFromText};
}

IntTextCallback* IntTextCallback::onOff()
{
    return new IntTextCallback{switchToText, switchFromText};
}

} // namespace ostrel
