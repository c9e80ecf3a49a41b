#include "gui/menu_entry.h"

#include <atomic>

namespace vellum {

namespace {

// The automatic ids: -1, -2, ... (atomic arithmetic wraps, it never overflows).
std::atomic<int> gLastAutomaticId{0};

int freshId()
{
    return gLastAutomaticId.fetch_sub(1, std::memory_order_relaxed) - 1;
}

} // namespace

xMenuEntry::xMenuEntry(xMenuEntryKind kind, std::string text) : kind_(kind), id_(freshId()), text_(std::move(text))
{ }

xMenuEntry::xMenuEntry(xMenuEntryKind kind, std::string text, int id) : xMenuEntry(kind, std::move(text))
{
    id_ = id;
}

} // namespace vellum
