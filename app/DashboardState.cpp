#include "app/DashboardState.h"

#include <QStringList>

namespace quenda {

namespace {
struct TabRow {
    DashboardTab tab;
    const char* raw;
    const char* titleKey;
};
constexpr TabRow kTabRows[] = {
    {DashboardTab::layouts, "layouts", "tab_layouts"},
    {DashboardTab::groups, "groups", "tab_groups"},
    {DashboardTab::bridge, "bridge", "tab_bridge"},
    {DashboardTab::clipboard, "clipboard", "tab_clipboard"},
    {DashboardTab::shortcuts, "shortcuts", "tab_shortcuts"},
    {DashboardTab::guidesSettings, "guidesSettings", "tab_guides_settings"},
};
const TabRow& row(DashboardTab tab) {
    return kTabRows[static_cast<int>(tab)];
}
}  // namespace

QString rawValue(DashboardTab tab) {
    return QString::fromLatin1(row(tab).raw);
}

std::optional<DashboardTab> dashboardTabFromRawValue(const QString& raw) {
    for (const TabRow& r : kTabRows) {
        if (raw == QLatin1String(r.raw)) return r.tab;
    }
    return std::nullopt;
}

QString titleKey(DashboardTab tab) {
    return QString::fromLatin1(row(tab).titleKey);
}

DashboardState::DashboardState(Services services, QObject* parent)
    : QObject(parent), s_(std::move(services)) {
    syncFromSystem();
}

void DashboardState::syncFromSystem() {
    isAccessibilityTrusted = s_.isTrusted && s_.isTrusted();
    includeOtherScreens = s_.prefs.get(settings::includeOtherScreens);
    groupSize = s_.prefs.get(settings::groupSize);
    relayReturn = s_.prefs.get(settings::relayReturn);
    broadcastEnter = s_.prefs.get(settings::broadcastEnter);
    templateID = s_.prefs.get(settings::templateID);
    gap = s_.prefs.get(settings::gap);
    cornerButtonMode = s_.prefs.get(settings::cornerButtonMode);
    cornerButtonPosition = s_.prefs.get(settings::cornerButtonPosition);
    stageManagerInset = s_.prefs.get(settings::stageManagerInset);
    launchAtLogin = s_.login.isEnabled();
    refreshWorkspaces();  // publishes
}

QString DashboardState::workspaceSummary(int slot) const {
    const auto saved = s_.workspaces.load(slot);
    if (!saved || saved->empty()) return s_.l10n.t(QStringLiteral("ws_summary_empty"));
    QStringList names;
    for (const SavedWindow& w : *saved) {
        if (!names.contains(w.appName)) names << w.appName;
    }
    constexpr int kNamesShown = 3;
    QString list = QStringList(names.mid(0, kNamesShown)).join(QStringLiteral(", "));
    if (names.size() > kNamesShown) list += QStringLiteral("…");
    return s_.l10n.format(QStringLiteral("ws_summary_filled"), {qlonglong(saved->size()), list});
}

void DashboardState::refreshWorkspaces() {
    for (int slot = 1; slot <= 3; ++slot) workspaceSummaries[slot] = workspaceSummary(slot);
    emit changed();
}

bool DashboardState::updateAccessibility() {
    const bool trusted = s_.isTrusted && s_.isTrusted();
    if (trusted == isAccessibilityTrusted) return false;
    isAccessibilityTrusted = trusted;
    emit changed();
    return true;
}

void DashboardState::setSelectedTab(DashboardTab tab) {
    if (selectedTab == tab) return;
    selectedTab = tab;
    emit changed();
}

template <typename T>
void DashboardState::write(const Setting<T>& setting, T value, T& field) {
    s_.prefs.set(setting, value);
    // What the store now holds: a refused or unwritable value shows as it really is.
    field = s_.prefs.get(setting);
    emit changed();
}

void DashboardState::setIncludeOtherScreens(bool on) {
    write(settings::includeOtherScreens, on, includeOtherScreens);
}
void DashboardState::setGroupSize(int64_t size) {
    write(settings::groupSize, size, groupSize);
}
void DashboardState::setRelayReturn(bool on) {
    write(settings::relayReturn, on, relayReturn);
}
void DashboardState::setBroadcastEnter(bool on) {
    write(settings::broadcastEnter, on, broadcastEnter);
}
void DashboardState::setTemplateID(const QString& id) {
    write(settings::templateID, id, templateID);
}
void DashboardState::setGap(int64_t value) {
    write(settings::gap, value, gap);
}
void DashboardState::setCornerButtonPosition(int64_t position) {
    write(settings::cornerButtonPosition, position, cornerButtonPosition);
}
void DashboardState::setStageManagerInset(bool on) {
    write(settings::stageManagerInset, on, stageManagerInset);
}

void DashboardState::setCornerButtonMode(int64_t mode) {
    write(settings::cornerButtonMode, mode, cornerButtonMode);
    if (cornerButtonMode == 0 && s_.hideCornerButton) s_.hideCornerButton();
}

void DashboardState::setLaunchAtLogin(bool enabled) {
    QString error;
    if (s_.login.setEnabled(enabled, &error)) {
        launchAtLogin = enabled;
        s_.hud.show(s_.l10n.t(enabled ? QStringLiteral("hud_login_enabled")
                                      : QStringLiteral("hud_login_disabled")),
                    kMessageDuration);
    } else {
        launchAtLogin = s_.login.isEnabled();
        s_.hud.show(s_.l10n.format(QStringLiteral("hud_login_error"), {error}), kMessageDuration);
    }
    emit changed();
}

}  // namespace quenda
