#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include "app/HudPresenter.h"
#include "core/ScreenGeo.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda {
namespace {

// What the surface was told, stamped with the virtual time; outlives the surface.
struct SurfaceLog {
    std::vector<QString> timeline;
    QString text;
    Rect frame;
    double alpha = 0;
    bool visible = false;
    QThread* thread = nullptr;  // where the last call ran
};

// A surface that draws nothing; its fades take their time on the virtual clock.
class FakeSurface final : public HudSurface {
  public:
    // How a fade stopped by setAlpha ends: its completion at once (as HudSurface promises)
    // or at the time it was due (as some toolkits do). The presenter must cope with both.
    enum class StoppedFade { completesAtOnce, completesWhenDue };

    FakeSurface(SurfaceLog& log, VirtualClock& clock, StoppedFade stopped)
        : log_(log), clock_(clock), stopped_(stopped) {}

    static constexpr double kCharWidth = 7;

    void setText(const QString& text) override {
        log_.text = text;
        note("text " + text);
    }
    double naturalTextWidth(const QString& text) const override { return kCharWidth * text.size(); }
    void setFrame(const Rect& frame) override {
        log_.frame = frame;
        note("frame");
    }
    void setAlpha(double alpha) override {
        log_.alpha = alpha;
        note(QStringLiteral("alpha %1").arg(alpha));
        fadeChangesAlpha_ = false;
        if (stopped_ == StoppedFade::completesAtOnce && fadeDone_) std::exchange(fadeDone_, {})();
    }
    double alpha() const override { return log_.alpha; }
    void orderFront() override {
        log_.visible = true;
        note("front");
    }
    void animateAlpha(double to, double seconds, std::function<void()> completion) override {
        note(QStringLiteral("fade to %1 over %2").arg(to).arg(seconds));
        fadeDone_ = std::move(completion);
        fadeChangesAlpha_ = true;
        const uint64_t fade = ++fades_;
        clock_.after(seconds, [weak = std::weak_ptr(alive_), this, to, fade] {
            if (!weak.lock() || fade != fades_ || !fadeDone_) return;
            if (fadeChangesAlpha_) log_.alpha = to;
            std::exchange(fadeDone_, {})();
        });
    }
    void orderOut() override {
        log_.visible = false;
        note("out");
    }

  private:
    void note(const QString& what) {
        log_.timeline.push_back(QString::number(clock_.now(), 'f', 2) + " " + what);
        log_.thread = QThread::currentThread();
    }

    SurfaceLog& log_;
    VirtualClock& clock_;
    StoppedFade stopped_;
    std::function<void()> fadeDone_;
    bool fadeChangesAlpha_ = false;
    uint64_t fades_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>();
};

struct Desk {
    explicit Desk(const char* monitors = "1440x900+0+0", SimScreenOptions options = {},
                  FakeSurface::StoppedFade stopped = FakeSurface::StoppedFade::completesAtOnce)
        : desk(QString::fromLatin1(monitors), options), prefs(defaults), geo(desk, prefs) {
        presenter.emplace(
            [this, stopped]() -> std::unique_ptr<HudSurface> {
                ++built;
                if (failBuilds > 0) {
                    --failBuilds;
                    return nullptr;
                }
                return std::make_unique<FakeSurface>(log, clock, stopped);
            },
            geo, clock);
    }
    std::vector<QString> timeline(std::initializer_list<const char*> entries) const {
        std::vector<QString> out;
        for (const char* e : entries) out.push_back(QString::fromUtf8(e));
        return out;
    }

    SimDesktop desk;
    SimDefaults defaults;
    Prefs prefs;
    ScreenGeo geo;
    VirtualClock clock;
    SurfaceLog log;
    int built = 0;
    int failBuilds = 0;
    std::optional<HudPresenter> presenter;
};

TEST(HudPresenter, PlacesTheMessageLowOnTheScreenUnderThePointer) {
    const QString shortText = "Copiado";  // 49 wide: the minimum applies
    const struct Case {
        const char* name;
        const char* monitors;
        SimScreenOptions options;
        Point pointer;
        std::optional<size_t> mainScreen;
        QString text;
        Rect expected;
    } cases[] = {
        {"short text", "1440x900+0+0", {}, {700, 400}, 0, shortText, {610, 786, 220, 44}},
        {"above the dock",
         "1440x900+0+0",
         {.menuBar = 25, .dock = 60},
         {700, 400},
         0,
         shortText,
         {610, 726, 220, 44}},
        {"natural width + 44",
         "1440x900+0+0",
         {},
         {700, 400},
         0,
         QString(40, u'x'),
         {558, 786, 324, 44}},
        {"long text is capped",
         "1440x900+0+0",
         {},
         {700, 400},
         0,
         QString(400, u'x'),
         {40, 786, 1360, 44}},
        {"pointer on the second monitor",
         "1440x900+0+0,1920x1080+1440+0",
         {},
         {2000, 500},
         0,
         shortText,
         {2290, 966, 220, 44}},
        {"pointer on no screen: the main one",
         "1440x900+0+0,1920x1080+1440+0",
         {},
         {-500, 50},
         1,
         shortText,
         {2290, 966, 220, 44}},
        {"no screen at all", "", {}, {700, 400}, std::nullopt, shortText, {490, 686, 220, 44}},
        {"the cap wins over the minimum",
         "200x600+0+0",
         {},
         {10, 10},
         0,
         shortText,
         {40, 486, 120, 44}},
    };
    for (const Case& c : cases) {
        Desk d(*c.monitors ? c.monitors : "1440x900+0+0", c.options);
        if (!*c.monitors) d.desk.screenList().clear();
        d.desk.setMainScreen(c.mainScreen);
        d.desk.setPointer(c.pointer);
        d.presenter->show(c.text, 1.6);
        EXPECT_EQ(d.log.frame, c.expected) << c.name;
    }
}

TEST(HudPresenter, ShowsTheTextAtOnceInFrontAndFadesItOutAfterItsDuration) {
    for (const double duration : {1.6, 2.0, 2.6, 3.0, 3.5}) {
        Desk d;
        d.presenter->show("Maximizada", duration);
        EXPECT_EQ(d.log.timeline,
                  d.timeline({"0.00 text Maximizada", "0.00 frame", "0.00 alpha 1", "0.00 front"}));
        EXPECT_TRUE(d.log.visible);

        d.clock.advance(duration - 0.001);
        EXPECT_EQ(d.log.timeline.size(), 4u) << duration;
        d.clock.advance(0.001 + HudPresenter::kFadeSeconds - 0.001);
        EXPECT_TRUE(d.log.visible) << duration;
        d.clock.advance(0.001);
        const QString due = QString::number(duration, 'f', 2);
        const QString gone = QString::number(duration + 0.25, 'f', 2);
        EXPECT_EQ(d.log.timeline.at(4), due + " fade to 0 over 0.25");
        EXPECT_EQ(d.log.timeline.at(5), gone + " out");
        EXPECT_FALSE(d.log.visible);
        EXPECT_EQ(d.log.alpha, 0);
    }
}

TEST(HudPresenter, ANewMessageReplacesTheOldOneAndGetsItsOwnFullDuration) {
    Desk d;
    d.presenter->show("Primero", 1.6);
    d.clock.advance(0.5);
    d.presenter->show("Segundo", 1.6);
    EXPECT_EQ(d.log.text, "Segundo");
    d.clock.advance(10);
    EXPECT_EQ(d.log.timeline,
              d.timeline({"0.00 text Primero", "0.00 frame", "0.00 alpha 1", "0.00 front",
                          "0.50 text Segundo", "0.50 frame", "0.50 alpha 1", "0.50 front",
                          "2.10 fade to 0 over 0.25", "2.35 out"}));
}

TEST(HudPresenter, AMessageShownDuringTheFadeStays) {
    for (const auto stopped :
         {FakeSurface::StoppedFade::completesAtOnce, FakeSurface::StoppedFade::completesWhenDue}) {
        Desk d("1440x900+0+0", {}, stopped);
        d.presenter->show("Primero", 1.6);
        d.clock.advance(1.7);  // fading since 1.6
        d.presenter->show("Segundo", 2.0);
        d.clock.advance(1.0);  // the first fade would have ended at 1.85
        EXPECT_TRUE(d.log.visible);
        EXPECT_EQ(d.log.alpha, 1);
        d.clock.advance(10);
        EXPECT_EQ(
            d.log.timeline,
            d.timeline({"0.00 text Primero", "0.00 frame", "0.00 alpha 1", "0.00 front",
                        "1.60 fade to 0 over 0.25", "1.70 text Segundo", "1.70 frame",
                        "1.70 alpha 1", "1.70 front", "3.70 fade to 0 over 0.25", "3.95 out"}))
            << (stopped == FakeSurface::StoppedFade::completesAtOnce ? "at once" : "when due");
    }
}

TEST(HudPresenter, PendingWorkOfADestroyedPresenterDoesNothing) {
    for (const double destroyAt : {0.0, 1.0, 1.7 /* fading */}) {
        Desk d;
        d.presenter->show("Copiado", 1.6);
        d.clock.advance(destroyAt);
        const auto before = d.log.timeline;
        d.presenter.reset();
        d.clock.advance(10);
        EXPECT_EQ(d.log.timeline, before) << destroyAt;
    }
}

TEST(HudPresenter, ThePanelIsBuiltOnceAndAskedForAgainWhenItCouldNotBe) {
    Desk d;
    d.failBuilds = 1;
    d.presenter->show("Uno", 1.6);
    EXPECT_TRUE(d.log.timeline.empty());
    EXPECT_EQ(d.clock.pending(), 0u);  // no fade for a message that was never shown
    d.presenter->show("Dos", 1.6);
    d.presenter->show("Tres", 1.6);
    EXPECT_EQ(d.built, 2);
    EXPECT_EQ(d.log.text, "Tres");
}

TEST(HudPresenter, ASurfaceBuiltByTheCallerIsUsedAsItIs) {
    Desk d;
    FakeSurface surface(d.log, d.clock, FakeSurface::StoppedFade::completesAtOnce);
    HudPresenter presenter(surface, d.geo, d.clock);
    presenter.show("Centrada", 1.6);
    d.clock.advance(10);
    EXPECT_EQ(d.log.timeline, d.timeline({"0.00 text Centrada", "0.00 frame", "0.00 alpha 1",
                                          "0.00 front", "1.60 fade to 0 over 0.25", "1.85 out"}));
    EXPECT_EQ(d.built, 0);
}

// Runs the main thread's event loop until `done` or the deadline.
template <typename Done>
bool processEventsUntil(Done done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(HudPresenter, AMessageFromAnotherThreadIsShownOnTheMainThread) {
    int argc = 1;
    char name[] = "hud_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    Desk d;
    std::thread([&] { d.presenter->show("Desde un hilo", 1.6); }).join();
    EXPECT_TRUE(d.log.timeline.empty());  // nothing ran on the calling thread
    ASSERT_TRUE(processEventsUntil([&] { return d.log.visible; }));
    EXPECT_EQ(d.log.text, "Desde un hilo");
    EXPECT_EQ(d.log.thread, QThread::currentThread());

    // On the main thread the message is shown at once, with no event loop turn.
    d.presenter->show("Aquí mismo", 1.6);
    EXPECT_EQ(d.log.text, "Aquí mismo");

    // A message still on its way when the presenter goes is dropped.
    std::thread([&] { d.presenter->show("Tarde", 1.6); }).join();
    d.presenter.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(d.log.text, "Aquí mismo");
}

}  // namespace
}  // namespace quenda
