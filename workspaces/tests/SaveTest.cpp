#include <gtest/gtest.h>

#include <functional>

#include "workspaces/tests/WorkspacesDesk.h"

namespace quenda {
namespace {

using testing::said;
using testing::WorkspacesDesk;

TEST(Save, RecordsTheVisibleWindowsFrontToBack) {
    WorkspacesDesk d("1440x900+0+0,1920x1080+1440+0");
    d.desktop.load(
        "101 Firefox 'Docs / Notas' 8,33 708x859 *; 102 Terminal 'sh' 1500,100 600x400; "
        "103 Dialogs 'ask' 100,100 300x200 dialog; 101 Firefox 'Mail' 724,33 708x859; "
        "104 Hidden 'h' 0,0 500x500 min");
    d.tag(101, "org.mozilla.firefox");
    d.tag(102, "org.gnome.Terminal");
    d.tag(103, "org.dialogs");
    d.tag(104, "org.hidden");
    d.workspaces->save(2);

    EXPECT_EQ(d.workspaces->load(2),
              (std::vector<SavedWindow>{
                  {"org.mozilla.firefox", "Firefox", "Docs / Notas", {8, 33, 708, 859}},
                  {"org.gnome.Terminal", "Terminal", "sh", {1500, 100, 600, 400}},
                  {"org.mozilla.firefox", "Firefox", "Mail", {724, 33, 708, 859}},
              }));
    EXPECT_EQ(d.prefs.get(settings::workspace2),
              QByteArray(R"([{"bundleID":"org.mozilla.firefox","appName":"Firefox",)"
                         R"("title":"Docs \/ Notas","frame":[[8,33],[708,859]]},)"
                         R"({"bundleID":"org.gnome.Terminal","appName":"Terminal",)"
                         R"("title":"sh","frame":[[1500,100],[600,400]]},)"
                         R"({"bundleID":"org.mozilla.firefox","appName":"Firefox",)"
                         R"("title":"Mail","frame":[[724,33],[708,859]]}])"));
    EXPECT_EQ(d.hud.messages, said(QString::fromUtf8("💾 Distribución 2 guardada (3 ventanas)")));
    EXPECT_FALSE(d.prefs.get(settings::workspace1));
    EXPECT_FALSE(d.prefs.get(settings::workspace3));
}

// What one window leaves in the slot, from what its process and title say.
TEST(Save, RecordsEachWindowFromItsApplication) {
    struct Case {
        const char* name;
        std::function<void(WorkspacesDesk&, uint64_t)> setup;
        std::optional<SavedWindow> recorded;
    } cases[] = {
        {"name and title", [](WorkspacesDesk&, uint64_t) {},
         SavedWindow{"org.a", "App", "doc", {10, 40, 500, 300}}},
        {"no identifier: not recorded",
         [](WorkspacesDesk& d, uint64_t) { d.desktop.app(101).bundleID.reset(); }, std::nullopt},
        {"an empty identifier: not recorded", [](WorkspacesDesk& d, uint64_t) { d.tag(101, ""); },
         std::nullopt},
        {"no running application for the process: not recorded",
         [](WorkspacesDesk& d, uint64_t) { d.desktop.app(101).terminated = true; }, std::nullopt},
        {"no name: the identifier stands for it",
         [](WorkspacesDesk& d, uint64_t) { d.desktop.app(101).localizedName.reset(); },
         SavedWindow{"org.a", "org.a", "doc", {10, 40, 500, 300}}},
        {"an empty name: the identifier stands for it",
         [](WorkspacesDesk& d, uint64_t) { d.desktop.app(101).localizedName = ""; },
         SavedWindow{"org.a", "org.a", "doc", {10, 40, 500, 300}}},
        {"unreadable title: empty",
         [](WorkspacesDesk& d, uint64_t w) {
             d.desktop.window(w).unreadable.insert(SimRead::title);
         },
         SavedWindow{"org.a", "App", "", {10, 40, 500, 300}}},
        {"the frame the window list gives",
         [](WorkspacesDesk& d, uint64_t w) {
             d.desktop.window(w).listBounds = Rect{11.5, 41, 501, 299};
         },
         SavedWindow{"org.a", "App", "doc", {11.5, 41, 501, 299}}},
    };
    for (const Case& c : cases) {
        WorkspacesDesk d;
        const auto ids = d.desktop.load("101 App 'doc' 10,40 500x300 *; 102 Other 'o' 0,0 400x400");
        d.tag(101, "org.a");
        d.tag(102, "org.other");
        c.setup(d, ids[0]);
        d.workspaces->save(1);
        std::vector<SavedWindow> expected;
        if (c.recorded) expected.push_back(*c.recorded);
        expected.push_back({"org.other", "Other", "o", {0, 0, 400, 400}});
        EXPECT_EQ(d.workspaces->load(1), expected) << c.name;
        EXPECT_EQ(d.hud.last(),
                  QString::fromUtf8("💾 Distribución 1 guardada (%1 ventanas)").arg(expected.size()))
            << c.name;
    }
}

TEST(Save, ReplacesTheSlotAndLeavesTheOthers) {
    WorkspacesDesk d;
    const auto ids = d.desktop.load("101 App 'one' 10,40 500x300");
    d.tag(101, "org.a");
    d.workspaces->save(1);
    d.workspaces->save(3);
    d.desktop.window(ids[0]).frame = {20, 50, 600, 400};
    d.workspaces->save(3);
    EXPECT_EQ(d.workspaces->load(1),
              (std::vector<SavedWindow>{{"org.a", "App", "one", {10, 40, 500, 300}}}));
    EXPECT_EQ(d.workspaces->load(3),
              (std::vector<SavedWindow>{{"org.a", "App", "one", {20, 50, 600, 400}}}));
    EXPECT_EQ(d.hud.texts(),
              (std::vector<QString>{QString::fromUtf8("💾 Distribución 1 guardada (1 ventanas)"),
                                    QString::fromUtf8("💾 Distribución 3 guardada (1 ventanas)"),
                                    QString::fromUtf8("💾 Distribución 3 guardada (1 ventanas)")}));
}

TEST(Save, WithNothingToRecordKeepsTheSlot) {
    const char* scenes[] = {
        "",                          // no windows at all
        "101 NoId 'x' 0,0 500x500",  // only an unidentified process
        "102 App 'm' 0,0 500x500 min; 102 App 'd' 0,0 500x500 dialog",  // none visible
    };
    for (const char* scene : scenes) {
        WorkspacesDesk d;
        d.defaults.setValue("workspace.2", QByteArray(R"(["old"])"));
        d.desktop.load(scene);
        d.tag(102, "org.app");
        d.workspaces->save(2);
        EXPECT_EQ(d.prefs.get(settings::workspace2), QByteArray(R"(["old"])")) << scene;
        EXPECT_EQ(d.hud.messages, said("No hay ventanas visibles para guardar")) << scene;
    }
}

TEST(Save, SaysSoWhenTheSlotCouldNotBeWritten) {
    WorkspacesDesk d;
    d.desktop.load("101 App 'one' 10,40 500x300");
    d.tag(101, "org.a");
    d.defaults.setValue("workspace.1", QByteArray("[]"));
    d.defaults.failWrites = true;
    d.workspaces->save(1);
    EXPECT_EQ(d.prefs.get(settings::workspace1), QByteArray("[]"));
    EXPECT_EQ(d.hud.messages, said(QString::fromUtf8("No se pudo guardar la distribución 1")));
}

TEST(Save, WithoutPermissionAsksForItAndRecordsNothing) {
    WorkspacesDesk d;
    d.desktop.load("101 App 'one' 10,40 500x300");
    d.tag(101, "org.a");
    d.desktop.trusted = false;
    d.workspaces->save(1);
    EXPECT_FALSE(d.prefs.get(settings::workspace1));
    EXPECT_EQ(d.desktop.trustRequests, 1);
    EXPECT_EQ(d.hud.messages, said("Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad"));
}

}  // namespace
}  // namespace quenda
