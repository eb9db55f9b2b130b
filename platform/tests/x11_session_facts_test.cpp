// What the dashboard reads of the X session, on a private Xvfb with openbox: the server's
// vendor and release and the window manager's name for the diagnostics, and the changes of
// the active window, reported as they happen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/tests/PrivateDisplay.h"
#include "platform/tests/X11TestClient.h"
#include "platform/x11/X11SessionFacts.h"

namespace quenda::testing {
namespace {

bool waitFor(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 10000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TEST(X11SessionFacts, NameTheServerAndTheWindowManager) {
    QString error;
    const auto display = PrivateDisplay::start(true, &error);
    ASSERT_TRUE(display) << error.toStdString();
    const X11SessionFacts facts = readX11SessionFacts(display->name());
    EXPECT_EQ(facts.serverVendor, "The X.Org Foundation");
    EXPECT_FALSE(facts.serverRelease.isEmpty());
    EXPECT_NE(facts.serverRelease, "0");
    EXPECT_EQ(facts.windowManager, "Openbox");
}

TEST(X11SessionFacts, WithoutAWindowManagerItIsUnnamed) {
    QString error;
    const auto display = PrivateDisplay::start(false, &error);
    ASSERT_TRUE(display) << error.toStdString();
    const X11SessionFacts facts = readX11SessionFacts(display->name());
    EXPECT_FALSE(facts.serverVendor.isEmpty());
    EXPECT_TRUE(facts.windowManager.isEmpty());
    // A display that is not there gives nothing at all, and no crash.
    const X11SessionFacts none = readX11SessionFacts(":987");
    EXPECT_TRUE(none.serverVendor.isEmpty() && none.windowManager.isEmpty());
}

TEST(X11ActiveWindowWatch, ReportsEveryChangeOfTheActiveWindow) {
    QString error;
    const auto display = PrivateDisplay::start(true, &error);
    ASSERT_TRUE(display) << error.toStdString();
    auto watch = X11ActiveWindowWatch::open(display->name(), &error);
    ASSERT_TRUE(watch) << error.toStdString();
    int changes = 0;
    uint64_t active = 0;
    watch->setActiveWindowHandler([&](uint64_t window) {
        ++changes;
        active = window;
    });

    X11TestClient client(display->name());
    const uint32_t first = client.open({.title = "first"});
    const uint32_t second = client.open({.title = "second", .client = {500, 100, 300, 200}});
    for (uint32_t window : {first, second, first}) {
        const int before = changes;
        ASSERT_TRUE(display->run("xdotool", {"windowactivate", QString::number(window)}));
        EXPECT_TRUE(waitFor([&] { return changes > before && active == window; }))
            << "window " << window << " reported " << active;
    }

    EXPECT_FALSE(X11ActiveWindowWatch::open(":987", &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
