#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>

#include <QObject>
#include <QString>

#include "core/L10n.h"
#include "core/Prefs.h"
#include "platform/ports/Hud.h"
#include "platform/ports/LoginItem.h"
#include "workspaces/Workspaces.h"

namespace quenda {

// The dashboard's tabs, in the sidebar's order.
enum class DashboardTab { layouts, groups, bridge, clipboard, shortcuts, guidesSettings };
inline constexpr std::array kDashboardTabs{DashboardTab::layouts,   DashboardTab::groups,
                                           DashboardTab::bridge,    DashboardTab::clipboard,
                                           DashboardTab::shortcuts, DashboardTab::guidesSettings};
QString rawValue(DashboardTab tab);
std::optional<DashboardTab> dashboardTabFromRawValue(const QString& raw);
QString titleKey(DashboardTab tab);

// The part of the guides-and-settings tab to scroll to.
enum class GuidesFocusAnchor { guides, settings };

// What the dashboard shows of the settings, the permission, the login item and the saved
// workspaces. It keeps no setting of its own: each setter writes the setting and the field,
// and `syncFromSystem` reads them all again. `changed` follows every change of a field.
class DashboardState : public QObject {
    Q_OBJECT

  public:
    struct Services {
        Prefs& prefs;
        Hud& hud;
        const L10n& l10n;
        LoginItem& login;
        const Workspaces& workspaces;
        std::function<bool()> isTrusted;
        // Closes the palette and hides the corner button at once (mode "never"); may be
        // unset.
        std::function<void()> hideCornerButton = {};
    };
    explicit DashboardState(Services services, QObject* parent = nullptr);

    DashboardTab selectedTab = DashboardTab::layouts;
    std::optional<GuidesFocusAnchor> focusAnchor;
    bool isAccessibilityTrusted = false;
    bool includeOtherScreens = false;
    int64_t groupSize = 0;
    bool relayReturn = false;
    bool broadcastEnter = true;
    QString templateID = QStringLiteral("none");
    int64_t gap = 8;
    int64_t cornerButtonMode = 2;
    int64_t cornerButtonPosition = 0;
    bool stageManagerInset = false;
    bool launchAtLogin = false;
    // Slot (1 to 3) → its one-line summary.
    std::map<int, QString> workspaceSummaries;

    void syncFromSystem();
    void refreshWorkspaces();
    // The summary of one slot: its window count and its first three applications.
    QString workspaceSummary(int slot) const;
    // Publishes the permission only when it changed; true when it did.
    bool updateAccessibility();

    void setSelectedTab(DashboardTab tab);
    void setIncludeOtherScreens(bool on);
    void setGroupSize(int64_t size);
    void setRelayReturn(bool on);
    void setBroadcastEnter(bool on);
    void setTemplateID(const QString& id);
    void setGap(int64_t gap);
    void setCornerButtonMode(int64_t mode);
    void setCornerButtonPosition(int64_t position);
    void setStageManagerInset(bool on);
    // Registers or unregisters the login item and says so in the HUD; on failure the field
    // shows what the login item really is and the HUD the reason.
    void setLaunchAtLogin(bool enabled);

    // The values the group size picker and the gap picker offer.
    static constexpr std::array<int64_t, 6> kGroupSizes{0, 1, 2, 3, 4, 6};
    static constexpr std::array<int64_t, 6> kGaps{0, 4, 8, 12, 16, 24};

  signals:
    void changed();

  private:
    template <typename T>
    void write(const Setting<T>& setting, T value, T& field);

    Services s_;
};

}  // namespace quenda
