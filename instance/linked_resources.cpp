#include "instance/linked_resources.h"

namespace ostrel {

namespace {

bool sameTypeName(const char* a, const char* b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a && *b; ++a, ++b) {
        if (lower(*a) != lower(*b))
            return false;
    }
    return *a == *b;
}

} // namespace

ResourceBytes findLinkedResource(const LinkedResource* table, const char* type, int id)
{
    if (!table || !type)
        return {};
    for (const LinkedResource* r = table; r->type; ++r) {
        if (r->id == id && sameTypeName(r->type, type))
            return {r->begin, static_cast<std::size_t>(r->end - r->begin)};
    }
    return {};
}

} // namespace ostrel
