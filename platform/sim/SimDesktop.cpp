#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <QRegularExpression>
#include <QStringList>

#include "platform/sim/MonitorSpec.h"

namespace quenda {

SimDesktop::SimDesktop(const QString& monitors, SimScreenOptions options) {
    setMonitors(monitors, options);
}

void SimDesktop::setMonitors(const QString& monitors, SimScreenOptions options) {
    const auto rects = parseMonitorSpec(monitors);
    if (!rects) throw std::invalid_argument("bad monitor spec: " + monitors.toStdString());
    screens_.clear();
    uint32_t number = 1;
    for (const Rect& frame : *rects) {
        Rect visible = frame;
        if (screens_.empty()) {
            visible.y += options.menuBar;
            visible.height -= options.menuBar + options.dock;
        }
        screens_.push_back({number, frame, visible, QStringLiteral("SIM-%1").arg(number)});
        ++number;
    }
}

SimApp& SimDesktop::app(int32_t pid, const QString& name) {
    SimApp& a = apps_[pid];
    if (a.pid == 0) {
        a.pid = pid;
        a.started = nextStart_++;
    }
    if (!name.isEmpty()) {
        a.name = name;
        if (!a.localizedName) a.localizedName = name;
    }
    return a;
}

uint64_t SimDesktop::open(int32_t pid, const QString& appName, const QString& title,
                          const Rect& frame) {
    SimWindow w;
    w.id = nextId_++;
    w.pid = pid;
    w.title = title;
    w.frame = frame;
    windows_[w.id] = w;
    app(pid, appName).windows.push_back(w.id);
    stacking_.insert(stacking_.begin(), w.id);
    return w.id;
}

std::vector<uint64_t> SimDesktop::load(const QString& fixture) {
    static const QRegularExpression entry(QStringLiteral(
        R"(^\s*(\d+)\s+(\S+)\s+'([^']*)'\s+(-?[\d.]+),(-?[\d.]+)\s+([\d.]+)x([\d.]+)(.*)$)"));
    std::vector<uint64_t> ids;
    std::optional<uint64_t> focused;
    for (const QString& part : fixture.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const auto m = entry.match(part);
        if (!m.hasMatch()) throw std::invalid_argument("bad fixture: " + part.toStdString());
        const Rect frame{m.captured(4).toDouble(), m.captured(5).toDouble(),
                         m.captured(6).toDouble(), m.captured(7).toDouble()};
        const uint64_t id = open(m.captured(1).toInt(), m.captured(2), m.captured(3), frame);
        SimWindow& w = window(id);
        for (const QString& flag : m.captured(8).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (flag == QLatin1String("*"))
                focused = id;
            else if (flag == QLatin1String("min"))
                w.minimized = true;
            else if (flag == QLatin1String("hidden"))
                w.onScreen = false;
            else if (flag == QLatin1String("dialog"))
                w.role = WindowRole::dialog;
            else if (flag.startsWith(QLatin1String("alpha=")))
                w.alpha = flag.mid(6).toDouble();
            else if (flag.startsWith(QLatin1String("layer=")))
                w.layer = flag.mid(6).toLongLong();
            else if (flag == QLatin1String("desktop=all"))
                w.desktop = SimWindow::allDesktops;
            else if (flag.startsWith(QLatin1String("desktop=")))
                w.desktop = flag.mid(8).toInt();
            else if (flag.startsWith(QLatin1String("class=")))
                w.windowClass = flag.mid(6);
            else
                throw std::invalid_argument("bad fixture flag: " + flag.toStdString());
        }
        ids.push_back(id);
    }
    // Entries are written front to back, and each open() put its window in front: restack
    // them in the written order, in front of whatever was there before.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) raise(*it);
    if (focused) {  // focus without restacking: the fixture's order stands
        frontmost = window(*focused).pid;
        apps_[frontmost.value()].focusedWindow = *focused;
    }
    return ids;
}

SimWindow& SimDesktop::window(uint64_t id) {
    auto it = windows_.find(id);
    if (it == windows_.end()) throw std::out_of_range("no such simulated window");
    return it->second;
}

void SimDesktop::focus(uint64_t id) {
    SimWindow& w = window(id);
    frontmost = w.pid;
    apps_[w.pid].focusedWindow = id;
    raise(id);
}

void SimDesktop::raise(uint64_t id) {
    stacking_.erase(std::remove(stacking_.begin(), stacking_.end(), id), stacking_.end());
    stacking_.insert(stacking_.begin(), id);
}

void SimDesktop::vanish(uint64_t id) {
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    SimApp& a = apps_[it->second.pid];
    a.windows.erase(std::remove(a.windows.begin(), a.windows.end(), id), a.windows.end());
    if (a.focusedWindow == id) a.focusedWindow.reset();
    stacking_.erase(std::remove(stacking_.begin(), stacking_.end(), id), stacking_.end());
    windows_.erase(it);
}

void SimDesktop::setPointer(const Point& p) {
    pointer_ = p;
}

std::optional<ScreenInfo> SimDesktop::mainScreen() {
    if (!mainScreen_ || *mainScreen_ >= screens_.size()) return std::nullopt;
    return screens_[*mainScreen_];
}

const SimWindow* SimDesktop::readable(const WindowRef& ref, SimRead what) const {
    auto it = windows_.find(ref.id);
    if (it == windows_.end() || it->second.pid != ref.pid) return nullptr;
    if (it->second.unreadable.count(what)) return nullptr;
    return &it->second;
}

SimWindow* SimDesktop::live(const WindowRef& ref) {
    auto it = windows_.find(ref.id);
    if (it == windows_.end() || it->second.pid != ref.pid) return nullptr;
    if (apps_.at(ref.pid).terminated) return nullptr;
    return &it->second;
}

std::optional<QString> SimDesktop::title(const WindowRef& ref) {
    const SimWindow* w = readable(ref, SimRead::title);
    if (!w) return std::nullopt;
    return w->title;
}

std::optional<WindowRole> SimDesktop::role(const WindowRef& ref) {
    const SimWindow* w = readable(ref, SimRead::role);
    if (!w) return std::nullopt;
    return w->role;
}

std::optional<bool> SimDesktop::isMinimized(const WindowRef& ref) {
    const SimWindow* w = readable(ref, SimRead::minimized);
    if (!w) return std::nullopt;
    return w->minimized;
}

std::optional<Rect> SimDesktop::frame(const WindowRef& ref) {
    const SimWindow* w = readable(ref, SimRead::frame);
    if (!w) return std::nullopt;
    return w->frame;
}

bool SimDesktop::isClosable(const WindowRef& ref) {
    const SimWindow* w = live(ref);
    return w && w->closable;
}

std::optional<std::vector<WindowRef>> SimDesktop::windows(int32_t pid) {
    ++windowsAsked[pid];
    auto it = apps_.find(pid);
    if (it == apps_.end() || it->second.windowsReadFails) return std::nullopt;
    std::vector<WindowRef> list;
    for (uint64_t id : it->second.windows) {
        if (onCurrentDesktop(windows_.at(id))) list.push_back({pid, id});
    }
    return list;
}

std::optional<WindowRef> SimDesktop::focusedWindow(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end()) return std::nullopt;
    const auto& focused = it->second.focusedWindow;
    if (!focused) return std::nullopt;
    const auto found = windows_.find(*focused);
    if (found == windows_.end() || onCurrentDesktop(found->second)) return WindowRef{pid, *focused};
    // Its window is on another desktop: its frontmost one on this desktop, if any.
    for (uint64_t id : stacking_) {
        const SimWindow& w = windows_.at(id);
        if (w.pid == pid && onCurrentDesktop(w)) return WindowRef{pid, id};
    }
    return std::nullopt;
}

std::optional<QString> SimDesktop::windowClass(const WindowRef& ref) {
    auto it = windows_.find(ref.id);
    if (it == windows_.end() || it->second.pid != ref.pid) return std::nullopt;
    return it->second.windowClass.value_or(apps_.at(ref.pid).name);
}

std::optional<QString> SimDesktop::applicationName(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end() || it->second.terminated) return std::nullopt;
    return it->second.name;
}

void SimDesktop::resize(SimWindow& w, const Size& size) {
    auto accept = [](double v, double lo, double hi, double step) {
        v = std::clamp(v, lo, std::max(lo, hi));
        if (step > 0) v = lo + std::floor((v - lo) / step) * step;
        return v;
    };
    w.frame.width = accept(size.width, w.minWidth, w.maxWidth, w.widthStep);
    w.frame.height = accept(size.height, w.minHeight, w.maxHeight, w.heightStep);
}

// In front, active, its application frontmost and shown again.
void SimDesktop::bringForward(SimWindow& w) {
    w.minimized = false;
    SimApp& a = apps_.at(w.pid);
    a.hidden = false;
    a.focusedWindow = w.id;
    frontmost = w.pid;
    raise(w.id);
}

void SimDesktop::apply(const WindowPlan& plan) {
    plans.push_back(plan);
    for (const WindowRef& ref : plan.restore) {
        if (SimWindow* w = live(ref)) w->minimized = false;
    }
    for (const FrameRequest& request : plan.frames) {
        SimWindow* w = live(request.window);
        if (!w) continue;
        if (!request.keepSize) resize(*w, request.frame.size());
        if (!w->fixedPosition) {
            w->frame.x = request.frame.x;
            w->frame.y = request.frame.y;
        }
    }
    for (const WindowRef& ref : plan.raise) {
        if (!live(ref)) continue;
        raise(ref.id);
        // Raised, it is the window its application works in (once it is not active, the
        // desktop answers with its frontmost window).
        apps_.at(ref.pid).focusedWindow = ref.id;
    }
    if (plan.focus) {
        if (SimWindow* w = live(*plan.focus)) bringForward(*w);
    }
}

void SimDesktop::close(const WindowRef& ref) {
    const SimWindow* w = live(ref);
    if (w && w->closable) vanish(ref.id);
}

void SimDesktop::minimize(const WindowRef& ref) {
    if (SimWindow* w = live(ref)) w->minimized = true;
}

QString SimDesktop::dump() const {
    QStringList entries;
    const std::optional<uint64_t> focused =
        frontmost && apps_.count(*frontmost) ? apps_.at(*frontmost).focusedWindow : std::nullopt;
    for (uint64_t id : stacking_) {
        const SimWindow& w = windows_.at(id);
        const auto n = [](double v) { return QString::number(v); };
        // Joined, not formatted: a title may itself hold "%1".
        QString entry = QString::number(w.pid) + ' ' + apps_.at(w.pid).name + " '" +
                        w.title.value_or(QString()) + "' " + n(w.frame.x) + ',' + n(w.frame.y) +
                        ' ' + n(w.frame.width) + 'x' + n(w.frame.height);
        if (focused == id) entry += QStringLiteral(" *");
        if (w.minimized) entry += QStringLiteral(" min");
        if (!w.onScreen) entry += QStringLiteral(" hidden");
        if (w.role == WindowRole::dialog) entry += QStringLiteral(" dialog");
        if (w.alpha) entry += QStringLiteral(" alpha=%1").arg(*w.alpha);
        if (w.layer != 0) entry += QStringLiteral(" layer=%1").arg(w.layer);
        if (w.desktop == SimWindow::allDesktops)
            entry += QStringLiteral(" desktop=all");
        else if (w.desktop != 0)
            entry += QStringLiteral(" desktop=%1").arg(w.desktop);
        if (w.windowClass) entry += QStringLiteral(" class=") + *w.windowClass;
        entries << entry;
    }
    return entries.join(QStringLiteral("; "));
}

std::optional<std::vector<WindowListEntry>> SimDesktop::windowList() {
    if (windowListFails) return std::nullopt;
    std::vector<WindowListEntry> list;
    for (uint64_t id : stacking_) {
        const SimWindow& w = windows_.at(id);
        if (!w.onScreen || w.minimized || apps_.at(w.pid).hidden || !onCurrentDesktop(w)) continue;
        list.push_back({w.layer, w.pid, w.listBounds.value_or(w.frame), w.alpha, w.id});
    }
    return list;
}

bool SimDesktop::requestTrust() {
    ++trustRequests;
    return trusted;
}

}  // namespace quenda

namespace quenda {

SimInstalledApp& SimDesktop::install(const QString& bundleID, std::function<void()> onLaunch) {
    SimInstalledApp& installed = installed_[bundleID];
    installed.location = QStringLiteral("/sim/") + bundleID;
    installed.onLaunch = std::move(onLaunch);
    return installed;
}

void SimDesktop::quit(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end()) return;
    const std::vector<uint64_t> windows = it->second.windows;
    for (uint64_t id : windows) vanish(id);
    it->second.terminated = true;
    if (frontmost == pid) frontmost.reset();
}

std::vector<RunningApplication> SimDesktop::runningApplications() {
    std::vector<const SimApp*> live;
    for (const auto& [pid, a] : apps_) {
        if (!a.terminated) live.push_back(&a);
    }
    std::sort(live.begin(), live.end(),
              [](const SimApp* a, const SimApp* b) { return a->started < b->started; });
    std::vector<RunningApplication> list;
    for (const SimApp* a : live) list.push_back({a->pid, a->localizedName, a->bundleID, a->kind});
    return list;
}

std::optional<RunningApplication> SimDesktop::application(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end() || it->second.terminated) return std::nullopt;
    const SimApp& a = it->second;
    return RunningApplication{a.pid, a.localizedName, a.bundleID, a.kind};
}

bool SimDesktop::isTerminated(int32_t pid) {
    auto it = apps_.find(pid);
    return it == apps_.end() || it->second.terminated;
}

bool SimDesktop::activate(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end() || it->second.terminated) return false;
    SimApp& a = it->second;
    // Its focused window comes forward, else its frontmost one; with neither there is
    // nothing to bring forward.
    std::optional<uint64_t> front;
    if (a.focusedWindow && !windows_.at(*a.focusedWindow).minimized) front = a.focusedWindow;
    for (auto id = stacking_.begin(); !front && id != stacking_.end(); ++id) {
        if (windows_.at(*id).pid == pid && !windows_.at(*id).minimized) front = *id;
    }
    if (!front) return false;
    activations.push_back(pid);
    a.hidden = false;
    frontmost = pid;
    a.focusedWindow = *front;  // the window that came forward takes the keys
    raise(*front);
    return true;
}

bool SimDesktop::hide(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end() || it->second.terminated) return false;
    it->second.hidden = true;
    if (frontmost == pid) frontmost.reset();
    return true;
}

bool SimDesktop::unhide(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end() || it->second.terminated) return false;
    it->second.hidden = false;
    return true;
}

bool SimDesktop::terminate(int32_t pid) {
    auto it = apps_.find(pid);
    if (it == apps_.end() || it->second.terminated) return false;
    if (!it->second.refusesToQuit) quit(pid);
    return true;
}

std::optional<QString> SimDesktop::applicationLocation(const QString& bundleID) {
    auto it = installed_.find(bundleID);
    if (it == installed_.end()) return std::nullopt;
    return it->second.location;
}

bool SimDesktop::launchApplication(const QString& location) {
    for (auto& [id, installed] : installed_) {
        if (installed.location != location) continue;
        launches.push_back(location);
        if (installed.onLaunch) installed.onLaunch();
        return true;
    }
    return false;
}

}  // namespace quenda
