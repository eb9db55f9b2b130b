#include "platform/tests/X11Oracle.h"

#include <algorithm>

#include <QProcess>
#include <QRegularExpression>

namespace quenda::testing {

namespace {
constexpr int kToolDeadlineMs = 30000;

std::optional<double> field(const QString& text, const QString& name) {
    const QRegularExpression re(QStringLiteral("^\\s*%1:\\s*(-?\\d+)").arg(name),
                                QRegularExpression::MultilineOption);
    const auto m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).toDouble();
}
}  // namespace

std::optional<QString> X11Oracle::run(const QString& program, const QStringList& args) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(kToolDeadlineMs)) {
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

std::optional<std::vector<uint64_t>> X11Oracle::numbers(std::optional<uint64_t> window,
                                                        const QString& property) const {
    QStringList args;
    if (window)
        args << QStringLiteral("-id") << QString::number(*window);
    else
        args << QStringLiteral("-root");
    const auto out = run(QStringLiteral("xprop"), args << property);
    if (!out) return std::nullopt;
    // "NAME(TYPE) = 1, 2, 3" or "NAME(WINDOW): window id # 0x1, 0x2"; unset: "NAME:  not found."
    const QRegularExpression re(QStringLiteral("^[^=#]*(?:=|#)\\s*(.*)$"));
    const auto m = re.match(out->trimmed());
    if (!m.hasMatch() || out->contains(QStringLiteral("not found"))) return std::nullopt;
    std::vector<uint64_t> values;
    for (const QString& v : m.captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint64_t n = v.trimmed().toULongLong(&ok, 0);
        if (ok) values.push_back(n);
    }
    return values;
}

QStringList X11Oracle::atomNames(uint64_t window, const QString& property) const {
    const auto out =
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window), property});
    if (!out || !out->contains(QLatin1Char('='))) return {};
    QStringList names;
    for (const QString& n : out->section(QLatin1Char('='), 1).split(QLatin1Char(',')))
        names << n.trimmed();
    return names;
}

std::vector<X11Oracle::Monitor> X11Oracle::monitors() const {
    std::vector<Monitor> result;
    const auto out = run(QStringLiteral("xrandr"), {QStringLiteral("--listmonitors")});
    if (!out) return result;
    // " 0: +*LEFT 800/203x1000/254+0+0  screen"
    const QRegularExpression re(
        QStringLiteral(
            "^\\s*\\d+:\\s+([+*]*)(\\S+)\\s+(\\d+)/\\d+x(\\d+)/\\d+\\+(-?\\d+)\\+(-?\\d+)"),
        QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(*out); it.hasNext();) {
        const auto m = it.next();
        result.push_back({m.captured(2),
                          {m.captured(5).toDouble(), m.captured(6).toDouble(),
                           m.captured(3).toDouble(), m.captured(4).toDouble()},
                          m.captured(1).contains(QLatin1Char('*'))});
    }
    return result;
}

std::optional<Rect> X11Oracle::outerFrame(uint64_t window) const {
    const auto info =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    const auto extents = numbers(window, QStringLiteral("_NET_FRAME_EXTENTS"));
    if (!info || !extents || extents->size() != 4) return std::nullopt;
    const auto x = field(*info, QStringLiteral("Absolute upper-left X"));
    const auto y = field(*info, QStringLiteral("Absolute upper-left Y"));
    const auto w = field(*info, QStringLiteral("Width"));
    const auto h = field(*info, QStringLiteral("Height"));
    if (!x || !y || !w || !h) return std::nullopt;
    // Window coordinates start at the primary monitor (the first, when none is flagged).
    const auto all = monitors();
    const auto primary = std::find_if(all.begin(), all.end(), [](auto& m) { return m.primary; });
    const Point origin = primary != all.end() ? primary->root.origin()
                         : all.empty()        ? Point{}
                                              : all.front().root.origin();
    const auto& e = *extents;  // left, right, top, bottom
    const Rect frame{*x - double(e[0]) - origin.x, *y - double(e[2]) - origin.y,
                     *w + double(e[0] + e[1]), *h + double(e[2] + e[3])};
    const auto shadow = numbers(window, QStringLiteral("_GTK_FRAME_EXTENTS"));
    if (!shadow || shadow->size() != 4) return frame;
    const auto& g = *shadow;
    return Rect{frame.x + double(g[0]), frame.y + double(g[2]), frame.width - double(g[0] + g[1]),
                frame.height - double(g[2] + g[3])};
}

std::vector<uint64_t> X11Oracle::stacking() const {
    return numbers(std::nullopt, QStringLiteral("_NET_CLIENT_LIST_STACKING"))
        .value_or(std::vector<uint64_t>{});
}

std::optional<uint64_t> X11Oracle::activeWindow() const {
    const auto v = numbers(std::nullopt, QStringLiteral("_NET_ACTIVE_WINDOW"));
    if (!v || v->empty() || v->front() == 0) return std::nullopt;
    return v->front();
}

}  // namespace quenda::testing
