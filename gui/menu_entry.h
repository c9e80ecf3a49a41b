#pragma once

#include <cstdint>
#include <string>

namespace vellum {

class xMenu;

enum class xMenuEntryKind : std::int32_t { item = 1, separator = 2, submenu = 3 };

// One entry of a popup menu: a plain item, a separator or a submenu (xMenu), each with an id
// and a text. Every entry takes a fresh id from a process-wide counter that counts down from
// -1; an entry made with an id of its own uses that instead (the editor numbers its items 1,
// 2, 3, ... and gives only positive ids). Owned by the menu it is added to.
class xMenuEntry {
public:
    xMenuEntry(xMenuEntryKind kind, std::string text);
    xMenuEntry(xMenuEntryKind kind, std::string text, int id);
    virtual ~xMenuEntry() = default;
    xMenuEntry(const xMenuEntry&) = delete;
    xMenuEntry& operator=(const xMenuEntry&) = delete;

    // Called when the user chooses this entry, before the menu's listener hears of it.
    virtual void onSelected() { }

    xMenu* owner() const { return owner_; }
    xMenuEntryKind kind() const { return kind_; }
    int id() const { return id_; }
    const std::string& text() const { return text_; }

private:
    friend class xMenu;
    xMenu* owner_ = nullptr;
    xMenuEntryKind kind_;
    int id_;
    std::string text_;
};

// A plain item that reports its id.
class xMenuItem final : public xMenuEntry {
public:
    explicit xMenuItem(std::string text) : xMenuEntry(xMenuEntryKind::item, std::move(text)) { }
    xMenuItem(std::string text, int id) : xMenuEntry(xMenuEntryKind::item, std::move(text), id) { }
};

// A separating line; it cannot be chosen.
class xMenuSeparator final : public xMenuEntry {
public:
    xMenuSeparator() : xMenuEntry(xMenuEntryKind::separator, std::string()) { }
};

// Learns which id was chosen in a menu.
class xMenuListener {
public:
    virtual ~xMenuListener() = default;
    virtual void menuItemChosen(int id) = 0;
};

} // namespace vellum
