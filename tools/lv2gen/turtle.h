#pragma once

#include <string>
#include <vector>

// Turtle literals as the bundle generator writes them.
namespace ostrel::lv2gen {

// A quoted string with ", \ and control characters escaped.
std::string literal(const std::string& text);
// The shortest decimal text that reads back as the same float (a Turtle number).
std::string number(float value);
// Base64 (RFC 4648, with padding), the text of an xsd:base64Binary literal.
std::string base64(const std::vector<unsigned char>& bytes);

} // namespace ostrel::lv2gen
