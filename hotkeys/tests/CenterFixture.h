#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QStringList>

#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/tests/Printers.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimHotKeyRegistrar.h"
#include "platform/sim/VirtualClock.h"

namespace quenda::testing {

// A hot key center on the simulated desktop, recording what it ran and what it logged.
class CenterFixture : public ::testing::Test {
  protected:
    // Registration itself does not depend on which commands have landed, so the center
    // treats every command as available unless a test hands it the catalogue's list.
    std::unique_ptr<HotKeyCenter> makeCenter(std::function<bool(HotKeyAction)> available =
                                                 [](HotKeyAction) { return true; }) {
        auto c = std::make_unique<HotKeyCenter>(HotKeyCenter::Services{
            prefs, registrar, clock, [this](HotKeyAction a) { executed.push_back(a); },
            [this](const QString& line) { log << line; }, std::move(available)});
        QObject::connect(c.get(), &HotKeyCenter::didChange, [this] { ++changes; });
        return c;
    }

    // The bound actions only: "absent" and "mapped to nothing" are the same.
    static std::map<HotKeyAction, KeyCombo> boundOnly(const HotKeyBindings& bindings) {
        std::map<HotKeyAction, KeyCombo> out;
        for (const auto& [action, combo] : bindings)
            if (combo) out[action] = *combo;
        return out;
    }

    // (key code, modifiers, id) of what is registered now.
    std::vector<SimHotKeyRegistrar::Registration> registered() const { return registrar.active(); }

    SimDefaults store;
    Prefs prefs{store};
    SimHotKeyRegistrar registrar;
    VirtualClock clock;
    std::vector<HotKeyAction> executed;
    QStringList log;
    int changes = 0;
};

}  // namespace quenda::testing
