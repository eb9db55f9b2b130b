#pragma once

#include <functional>
#include <vector>

#include <QString>

namespace quenda {

// A menu as data: what the tray menu shows, built afresh by logic each time it opens and
// drawn by the view without any rule of its own.
struct MenuEntry {
    enum class Kind { Item, Separator, Submenu };
    Kind kind = Kind::Item;
    QString title;
    QString shortcut;  // the combination's display text, shown beside the title; may be empty
    bool enabled = true;
    std::function<void()> run;
    std::vector<MenuEntry> children;

    static MenuEntry separator() { return {Kind::Separator, {}, {}, true, {}, {}}; }
    static MenuEntry item(QString title, std::function<void()> run, QString shortcut = {}) {
        return {Kind::Item, std::move(title), std::move(shortcut), true, std::move(run), {}};
    }
    static MenuEntry disabled(QString title) {
        return {Kind::Item, std::move(title), {}, false, {}, {}};
    }
    static MenuEntry submenu(QString title, std::vector<MenuEntry> children) {
        return {Kind::Submenu, std::move(title), {}, true, {}, std::move(children)};
    }
};

}  // namespace quenda
