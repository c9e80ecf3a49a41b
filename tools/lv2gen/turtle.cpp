#include "tools/lv2gen/turtle.h"

#include <cstdio>
#include <cstdlib>

namespace ostrel::lv2gen {

std::string literal(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string number(float value)
{
    // Fixed notation with as few decimals as read back the same float; %g's exponent form
    // for numbers that need none only where fixed notation cannot say it in nine decimals.
    char text[64];
    bool found = false;
    for (int decimals = 0; decimals <= 9 && !found; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
        found = std::strtof(text, nullptr) == value;
    }
    if (!found)
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string s = text;
    // Always a decimal or double literal, never an xsd:integer, so every port value has one type.
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

std::string base64(const std::vector<unsigned char>& bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (bytes[i] << 16u) | (bytes[i + 1] << 8u) | bytes[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        const unsigned v = (bytes[i] << 16u) | (i + 1 < bytes.size() ? bytes[i + 1] << 8u : 0u);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace ostrel::lv2gen
