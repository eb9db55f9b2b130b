#include <gtest/gtest.h>

#include "core/L10n.h"
#include "hotkeys/HotKeyAction.h"
#include "hotkeys/tests/Printers.h"

namespace quenda {
namespace {

using A = HotKeyAction;
using C = HotKeyCategory;

// The stored bindings file names every action by its identifier: a renamed identifier
// would silently drop the users' shortcut for it. This list is the guard of that format.
TEST(HotKeyAction, StoredIdentifiersNeverChange) {
    const char* identifiers[] = {
        "layout.auto",     "layout.columns2",  "layout.columns3",  "layout.columns4",
        "layout.grid2x2",  "layout.mainStack", "layout.grid3x2",   "layout.centerSides",
        "layout.rows2",    "layout.grid3x3",   "mosaic.rotate",    "mosaic.promote",
        "win.left",        "win.right",        "win.top",          "win.bottom",
        "win.max",         "win.center",       "win.maxCenter",    "win.nextScreen",
        "groups.overview", "groups.next",      "groups.prev",      "groups.moveNext",
        "groups.movePrev", "groups.auto",      "ws.restore.1",     "ws.restore.2",
        "ws.restore.3",    "ws.save.1",        "ws.save.2",        "ws.save.3",
        "bridge.mark",     "bridge.send",      "bridge.sendEnter", "bridge.sendClipboard",
        "bridge.group",    "bridge.broadcast", "tools.clipboard",  "tools.shelf",
        "tools.shelfAdd",  "tools.dashboard",
    };
    ASSERT_EQ(std::size(identifiers), allActions().size());
    for (size_t i = 0; i < std::size(identifiers); ++i) {
        const A action = allActions()[i];
        EXPECT_EQ(rawValue(action), identifiers[i]);
        EXPECT_EQ(fromRawValue(identifiers[i]), action) << identifiers[i];
    }
}

TEST(HotKeyAction, UnknownIdentifiersGiveNoAction) {
    for (const char* s :
         {"", "layout", "Layout.auto", "layout.auto ", "ws.restore.4", "win.maximize"})
        EXPECT_EQ(fromRawValue(s), std::nullopt) << s;
}

// Every command and category has a title in the shipped strings table; the workspace
// commands show their slot in it.
TEST(HotKeyAction, EveryTitleHasATextInTheStringsTable) {
    const L10n l10n = L10n::builtIn();
    for (A a : allActions()) {
        SCOPED_TRACE(rawValue(a).toStdString());
        const QString key = titleKey(a);
        EXPECT_NE(l10n.t(key), key);
        if (const auto slot = titleSlot(a)) {
            const QString title = l10n.format(key, {*slot});
            EXPECT_TRUE(title.contains(QString::number(*slot))) << title.toStdString();
            EXPECT_FALSE(title.contains(u'%')) << title.toStdString();
        }
    }
    for (C c : allCategories()) EXPECT_NE(l10n.t(titleKey(c)), titleKey(c)) << int(c);
}

TEST(HotKeyAction, DefaultMapHasEveryActionBoundToItsDefault) {
    const HotKeyBindings map = defaultMap();
    EXPECT_EQ(map.size(), size_t(kHotKeyActionCount));
    for (A a : allActions()) EXPECT_EQ(map.at(a), defaultCombo(a)) << rawValue(a).toStdString();
    // HotKeyPrefs pins the stored form of every default; these read as the menus show them.
    ASSERT_TRUE(map.at(A::layoutAuto) && map.at(A::bridgeMark) && map.at(A::bridgeSendEnter));
    EXPECT_EQ(map.at(A::layoutAuto)->displayString(), "Ctrl+Alt+1");
    EXPECT_EQ(map.at(A::bridgeMark)->displayString(), "Alt+Shift+1");
    EXPECT_EQ(map.at(A::bridgeSendEnter)->displayString(), "Ctrl+Alt+W");
    EXPECT_EQ(map.at(A::winLeft), std::nullopt);
}

}  // namespace
}  // namespace quenda
