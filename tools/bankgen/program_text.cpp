// Reader of the program text files under resources/bank/: "field = value" lines that set the
// fields of a Patch through their value views, the same views the program chunk is written
// from, so the text files and the chunk format cannot drift apart.
#include "tools/bankgen/program_text.h"

#include "dsp/wave_names.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

namespace ostrel::bankgen {

namespace {

std::string trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return std::string(s.substr(first, last - first + 1));
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        items.push_back(trim(std::string_view(text).substr(start, end == std::string::npos ? end : end - start)));
        if (end == std::string::npos)
            return items;
        start = end + 1;
    }
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> result;
    for (std::string w; in >> w;)
        result.push_back(w);
    return result;
}

bool parseFloat(const std::string& text, float& out)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && std::isfinite(out);
}

bool parseInt(const std::string& text, int& out)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

std::string numberText(double v)
{
    std::ostringstream s;
    s << v;
    return s.str();
}

// What one field name reaches, and how its values are written.
struct Field {
    enum class Kind { Float, Int, Wave, Switch, Route, Name };
    Kind kind = Kind::Float;
    std::vector<xFloatParam*> floats;
    std::vector<xIntParam*> ints;
};

template <std::size_t N, typename T>
std::vector<T*> all(const std::array<T*, N>& a)
{
    return {a.begin(), a.end()};
}

std::map<std::string, Field> fieldsOf(Patch& p)
{
    using K = Field::Kind;
    std::map<std::string, Field> f;
    auto floats = [&](const char* name, std::vector<xFloatParam*> params) {
        f[name] = {K::Float, std::move(params), {}};
    };
    auto ints = [&](const char* name, std::vector<xIntParam*> params, K kind = K::Int) {
        f[name] = {kind, {}, std::move(params)};
    };

    ints("oscWaveform", all(p.oscWaveform), K::Wave);
    floats("oscTune", all(p.oscTune));
    floats("oscFinetune", all(p.oscFinetune));
    floats("mixTime", all(p.mixTime));
    floats("mixX", all(p.mixX));
    floats("mixY", all(p.mixY));
    ints("mixLoop", {p.mixLoop});
    ints("mixRepeat", {p.mixRepeat});
    floats("cutoff", {p.cutoff});
    floats("resonance", {p.resonance});
    floats("filterEnvAmount", {p.filterEnvAmount});
    ints("filterMode", {p.filterMode});
    floats("filterLevel", all(p.filterLevel));
    floats("filterTime", all(p.filterTime));
    ints("filterLoop", {p.filterLoop});
    ints("filterRepeat", {p.filterRepeat});
    floats("ampLevel", all(p.ampLevel));
    floats("ampTime", all(p.ampTime));
    ints("ampLoop", {p.ampLoop});
    ints("ampRepeat", {p.ampRepeat});
    floats("lfoRate", all(p.lfoRate));
    ints("lfoWave", all(p.lfoWave));
    floats("modAmount", all(p.modAmount));
    floats("volume", {p.volume});
    floats("pan", all(p.pan));
    floats("chorusRate", {p.chorusRate});
    floats("chorusDepth", {p.chorusDepth});
    ints("chorusOn", {p.chorusOn}, K::Switch);
    f["modRoute"] = {K::Route, {}, {}};
    f["name"] = {K::Name, {}, {}};
    return f;
}

std::string applyFloats(const Field& field, const std::string& value)
{
    const auto items = split(value, ',');
    if (items.size() != field.floats.size())
        return "expected " + std::to_string(field.floats.size()) + " value(s), got " + std::to_string(items.size());
    std::vector<float> values(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        xFloatParam* param = field.floats[i];
        if (!parseFloat(items[i], values[i]))
            return "\"" + items[i] + "\" is not a number";
        if (values[i] < param->min() || values[i] > param->max())
            return items[i] + " is outside " + numberText(param->min()) + ".." + numberText(param->max());
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        field.floats[i]->value().set(values[i]);
    return {};
}

std::string applyInts(const Field& field, const std::string& value)
{
    const auto items = split(value, ',');
    if (items.size() != field.ints.size())
        return "expected " + std::to_string(field.ints.size()) + " value(s), got " + std::to_string(items.size());
    std::vector<int> values(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        int& v = values[i];
        if (field.kind == Field::Kind::Wave) {
            // Wave display names only: a bare number would be read as an index by some and as
            // the shown number (index + 32) by others.
            v = -1;
            for (int w = 0; w < kWaveCount; ++w) {
                if (item == waveNames[static_cast<std::size_t>(w)])
                    v = w;
            }
            if (v < 0)
                return "\"" + item + "\" is not a wave name (write it as shown, e.g. \"33 Saw\")";
            continue;
        }
        if (field.kind == Field::Kind::Switch && (item == "on" || item == "off")) {
            v = item == "on" ? 1 : 0;
            continue;
        }
        if (!parseInt(item, v))
            return "\"" + item + "\" is not a whole number";
        if (v < 0 || v >= field.ints[i]->count())
            return item + " is outside 0.." + std::to_string(field.ints[i]->count() - 1);
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        field.ints[i]->value().set(values[i]);
    return {};
}

std::string applyRoute(Patch& patch, const std::string& value)
{
    std::set<std::pair<int, int>> on;
    if (value != "none") {
        const auto cells = words(value);
        if (cells.empty())
            return "expected \"row,column\" cells or none";
        for (const auto& cell : cells) {
            const auto parts = split(cell, ',');
            int row = 0;
            int column = 0;
            if (parts.size() != 2 || !parseInt(parts[0], row) || !parseInt(parts[1], column))
                return "\"" + cell + "\" is not a \"row,column\" cell";
            if (!modRouteExists(row, column))
                return "there is no routing cell " + cell;
            if (!on.insert({row, column}).second)
                return "cell " + cell + " is listed twice";
        }
    }
    for (int r = 0; r < kModRows; ++r) {
        for (int c = 0; c < kModColumns; ++c) {
            if (auto* cell = patch.modRoute[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
                cell->value().set(on.count({r, c}) ? 1 : 0);
        }
    }
    return {};
}

std::string applyName(Patch& patch, const std::string& value)
{
    if (value.empty())
        return "the name is empty";
    if (value.size() > kPatchNameLength)
        return "the name is longer than " + std::to_string(kPatchNameLength) + " characters";
    for (const char ch : value) {
        if (ch < 0x20 || ch > 0x7E)
            return "the name holds a character that is not printable ASCII";
    }
    patch.setName(value);
    return {};
}

} // namespace

std::vector<TextError> applyProgramText(const std::string& text, Patch& patch)
{
    const auto fields = fieldsOf(patch);
    std::vector<TextError> errors;
    std::set<std::string> seen;
    std::istringstream in(text);
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const std::string content = trim(std::string_view(line).substr(0, line.find('#')));
        if (content.empty())
            continue;
        const auto equals = content.find('=');
        if (equals == std::string::npos) {
            errors.push_back({lineNumber, "expected \"field = value\""});
            continue;
        }
        const std::string key = trim(std::string_view(content).substr(0, equals));
        const std::string value = trim(std::string_view(content).substr(equals + 1));
        const auto found = fields.find(key);
        if (found == fields.end()) {
            errors.push_back({lineNumber, "unknown field \"" + key + "\""});
            continue;
        }
        if (!seen.insert(key).second) {
            errors.push_back({lineNumber, "field \"" + key + "\" is given twice"});
            continue;
        }
        const Field& field = found->second;
        std::string problem;
        switch (field.kind) {
        case Field::Kind::Float: problem = applyFloats(field, value); break;
        case Field::Kind::Int:
        case Field::Kind::Wave:
        case Field::Kind::Switch: problem = applyInts(field, value); break;
        case Field::Kind::Route: problem = applyRoute(patch, value); break;
        case Field::Kind::Name: problem = applyName(patch, value); break;
        }
        if (!problem.empty())
            errors.push_back({lineNumber, key + ": " + problem});
    }
    if (!seen.count("name"))
        errors.push_back({0, "the program has no name line"});
    return errors;
}

} // namespace ostrel::bankgen
