#include "tools/lv2gen/port_description.h"

#include "gui/formatters.h"
#include "patch/patch.h"

#include <cstdio>
#include <map>
#include <set>

namespace ostrel::lv2gen {

namespace {

int displayDecimals(const vellum::xValueFormatter* formatter)
{
    if (const auto* d = dynamic_cast<const vellum::DecimalFormatter*>(formatter))
        return d->decimals();
    if (const auto* r = dynamic_cast<const vellum::RangeTextFormatter*>(formatter))
        return r->decimals();
    return 3;
}

void describeFloat(xFloatParam& param, PortDescription& d)
{
    const xValueMapping* mapping = param.mapping();
    d.minimum = static_cast<float>(mapping->toValue(0.0));
    d.maximum = static_cast<float>(mapping->toValue(1.0));
    d.logarithmic = dynamic_cast<const ExponentialMapping*>(mapping) != nullptr;
    d.integer = param.precision() == 1.0f;
    const int decimals = displayDecimals(param.formatter());
    char format[16];
    std::snprintf(format, sizeof format, "%%.%df", decimals);
    d.render = format;
    if (!param.label().empty())
        d.render.append(" ").append(param.label());
    // Ends the display names by a text of their own ("-oo" for the lowest volume).
    const vellum::DecimalFormatter plain(decimals);
    for (const float end : {d.minimum, d.maximum}) {
        const std::string text = param.formatter()->format(end);
        if (text != plain.format(end))
            d.scalePoints.push_back({end, text});
    }
}

void describeInt(xIntParam& param, PortDescription& d)
{
    d.minimum = 0.0f;
    d.maximum = static_cast<float>(param.count() - 1);
    d.integer = true;
    d.enumeration = true;
    const std::int32_t kept = param.getValue();
    for (std::int32_t v = 0; v < param.count(); ++v) {
        param.setValue(v);
        d.scalePoints.push_back({static_cast<float>(v), param.getText()});
    }
    param.setValue(kept);
}

} // namespace

std::string symbolOf(const std::string& name)
{
    std::string symbol;
    for (const char c : name) {
        const bool valid = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        symbol += valid ? c : '_';
    }
    if (symbol.empty() || (symbol[0] >= '0' && symbol[0] <= '9'))
        symbol.insert(symbol.begin(), '_');
    return symbol;
}

bool describePorts(Patch& patch, std::vector<PortDescription>& ports, std::string& problem)
{
    const ParameterRegistry& registry = patch.registry();
    std::map<std::string, int> uses;
    for (std::int32_t i = 0; i < registry.count(); ++i)
        ++uses[registry.find(i)->param->name()];

    ports.clear();
    std::set<std::string> symbols;
    for (std::int32_t i = 0; i < registry.count(); ++i) {
        xParam* param = registry.find(i)->param;
        PortDescription d;
        d.index = static_cast<std::uint32_t>(i);
        d.name = param->name();
        d.unitLabel = param->label();
        // A name several parameters share ("Time") is told apart by the host index.
        d.symbol = symbolOf(d.name);
        if (uses[d.name] > 1)
            d.symbol.append("_").append(std::to_string(i));
        d.defaultValue = param->hostValue();
        if (auto* f = dynamic_cast<xFloatParam*>(param))
            describeFloat(*f, d);
        else if (auto* n = dynamic_cast<xIntParam*>(param))
            describeInt(*n, d);
        if (!symbols.insert(d.symbol).second) {
            problem = "the port symbol \"" + d.symbol + "\" is not unique";
            return false;
        }
        ports.push_back(std::move(d));
    }
    return true;
}

} // namespace ostrel::lv2gen
