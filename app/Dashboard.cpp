#include "app/Dashboard.h"

#include <QSaveFile>

namespace quenda {

std::vector<ShortcutSection> filterShortcuts(
    const QString& query, const std::function<QString(HotKeyAction)>& title,
    const std::function<QString(HotKeyCategory)>& categoryTitle,
    const std::function<std::optional<QString>(HotKeyAction)>& shortcut) {
    const QString q = query.trimmed().toLower();
    std::vector<ShortcutSection> sections;
    for (HotKeyCategory category : allCategories()) {
        ShortcutSection section{category, {}};
        const bool categoryMatches = categoryTitle(category).toLower().contains(q);
        for (HotKeyAction action : allActions()) {
            if (quenda::category(action) != category) continue;
            const auto combo = shortcut(action);
            if (q.isEmpty() || categoryMatches || title(action).toLower().contains(q) ||
                (combo && combo->toLower().contains(q)))
                section.actions.push_back(action);
        }
        if (!section.actions.empty()) sections.push_back(std::move(section));
    }
    return sections;
}

DashboardController::DashboardController(Services services, SurfaceFactory makeSurface)
    : s_(std::move(services)),
      makeSurface_(std::move(makeSurface)),
      state_(s_.state),
      recorder_(s_.hotKeys, s_.title),
      timers_(s_.clock) {}

DashboardController::~DashboardController() {
    stopAccessibilityPolling();
    if (tracking_ && s_.activeWindowEvents) s_.activeWindowEvents->setActiveWindowHandler({});
}

void DashboardController::show(std::optional<DashboardTab> tab,
                               std::optional<GuidesFocusAnchor> focus) {
    if (tab) state_.selectedTab = *tab;
    state_.focusAnchor = focus;
    state_.syncFromSystem();
    if (!surface_) surface_ = makeSurface_(*this);
    startAccessibilityPolling();
    if (surface_) surface_->present();
}

void DashboardController::windowWillClose() {
    stopAccessibilityPolling();
    if (recorder_.isRecording()) recorder_.stop();
    closing_ = std::move(surface_);
    timers_.after(0, [this] { closing_.reset(); });
}

void DashboardController::startAccessibilityPolling() {
    stopAccessibilityPolling();
    state_.updateAccessibility();
    pollTimer_ =
        s_.clock.every(kPollInterval, timers_.bind([this] { state_.updateAccessibility(); }));
}

void DashboardController::stopAccessibilityPolling() {
    if (pollTimer_) s_.clock.cancel(*pollTimer_);
    pollTimer_.reset();
}

void DashboardController::noteActive(uint64_t window) {
    if (window == 0) return;
    std::erase(recentActive_, window);
    recentActive_.push_back(window);
    if (recentActive_.size() > kRecentKept) recentActive_.pop_front();
}

std::optional<WindowRef> DashboardController::lastExternalWindow() const {
    if (recentActive_.empty()) return std::nullopt;
    const auto list = s_.windows.windowList();
    if (!list) return std::nullopt;
    const int32_t own = s_.windows.ownPid();
    for (auto it = recentActive_.rbegin(); it != recentActive_.rend(); ++it) {
        for (const WindowListEntry& entry : *list) {
            if (entry.number != *it || !entry.ownerPid) continue;
            if (*entry.ownerPid == own) break;  // one of ours: an older one, then
            if (s_.applications.isTerminated(*entry.ownerPid)) break;
            return WindowRef{*entry.ownerPid, entry.number};
        }
    }
    return std::nullopt;
}

void DashboardController::startTrackingExternalApps() {
    if (tracking_) return;
    tracking_ = true;
    if (const auto pid = s_.windows.frontmostPid(); pid && *pid != s_.windows.ownPid()) {
        if (const auto window = s_.windows.focusedWindow(*pid)) noteActive(window->id);
    }
    if (s_.activeWindowEvents) {
        s_.activeWindowEvents->setActiveWindowHandler(
            [this](uint64_t window) { noteActive(window); });
    }
}

void DashboardController::runOnExternalWindow(std::function<void()> command) {
    const auto run = [this, command = std::move(command)] {
        timers_.after(kExternalDelay, command);
    };
    if (const auto window = lastExternalWindow()) {
        WindowPlan plan;
        plan.focus = *window;
        s_.windows.apply(plan);
        return run();
    }
    if (surface_) surface_->orderOut();
    run();
}

QString DashboardController::diagnostics() const {
    DiagnosticFacts facts = s_.facts ? s_.facts() : DiagnosticFacts{};
    facts.accessibilityTrusted = s_.state.isTrusted && s_.state.isTrusted();
    facts.activeHotKeys = s_.hotKeys.activeCount();
    return diagnosticsText(facts);
}

std::optional<QString> DashboardController::exportTechnicalDiagnostics() {
    const QString path = s_.tempFolder + u'/' + kDiagnosticsFile;
    QSaveFile file(path);
    const QByteArray bytes = diagnostics().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        s_.state.hud.show(s_.state.l10n.format(QStringLiteral("hud_diag_error"),
                                               {path + QStringLiteral(": ") + file.errorString()}),
                          kMessageDuration);
        return std::nullopt;
    }
    s_.opener.reveal(path);
    s_.state.hud.show(s_.state.l10n.t(QStringLiteral("hud_diag_exported")), kMessageDuration);
    return path;
}

}  // namespace quenda
