// Window pictures on a real X server with openbox and no compositing manager: covered
// windows captured whole through Composite, minimised ones from their last picture, windows
// that went away left out.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "platform/tests/X11Driver.h"

namespace quenda::testing {
namespace {

struct Capture {
    std::map<uint64_t, WindowPicture> pictures;  // the last of each window
    std::map<uint64_t, std::vector<PictureKind>> kinds;
    bool done = false;
    std::unique_ptr<ThumbnailCapture> handle;
};

std::unique_ptr<Capture> capture(X11Driver& driver, const std::vector<uint64_t>& windows) {
    auto c = std::make_unique<Capture>();
    Capture* raw = c.get();
    c->handle = driver.desktop().thumbnails().capture(
        windows,
        [raw](WindowPicture p) {
            raw->kinds[p.window].push_back(p.kind);
            if (p.kind != PictureKind::icon) raw->pictures[p.window] = std::move(p);
        },
        [raw] { raw->done = true; });
    EXPECT_TRUE(waitUntil([raw] { return raw->done; }));
    return c;
}

// The pixel at a fraction of the picture's width and height, as 0xRRGGBB.
uint32_t rgbAt(const Picture& p, double fx, double fy) {
    const int x = std::clamp(int(fx * p.width), 0, p.width - 1);
    const int y = std::clamp(int(fy * p.height), 0, p.height - 1);
    return reinterpret_cast<const uint32_t*>(p.argb.constData())[y * p.width + x] & 0xffffff;
}

TEST(X11Thumbnails, CaptureCoveredWindowsWholeAndLeaveOutVanishedOnes) {
    X11Driver driver;
    const uint64_t red = driver.openXterm("thumb red", "80x24+0+0", "red");
    const uint64_t green = driver.openXterm("thumb green", "80x24+60+60", "green");
    const uint64_t blue = driver.openXterm("thumb blue", "100x40+120+120", "blue");
    const uint64_t gone = driver.openXterm("thumb gone", "20x5+500+10", "white");
    driver.settle();
    driver.destroy(gone);

    auto c = capture(driver, {red, green, blue, gone, 0x7fffff0});
    EXPECT_EQ(c->pictures.count(gone), 0u);
    EXPECT_EQ(c->pictures.count(0x7fffff0), 0u);
    for (const uint64_t w : {red, green, blue}) {
        ASSERT_EQ(c->pictures.count(w), 1u) << w;
        const WindowPicture& p = c->pictures.at(w);
        EXPECT_EQ(p.kind, PictureKind::contents);
        ASSERT_TRUE(p.picture.isValid());
        const auto frame = driver.server().frame({driver.pidOf(w), w});
        ASSERT_TRUE(frame);
        const Size expected = thumbnailSize(frame->width, frame->height);
        EXPECT_EQ(p.picture.width, int(expected.width));
        EXPECT_EQ(p.picture.height, int(expected.height));
        EXPECT_LE(std::max(p.picture.width, p.picture.height), kThumbnailLongSide);
    }
    // The lower right of red and green lie under the windows above them.
    EXPECT_EQ(rgbAt(c->pictures.at(red).picture, 0.8, 0.8), 0xff0000u);
    EXPECT_EQ(rgbAt(c->pictures.at(green).picture, 0.8, 0.8), 0x00ff00u);
    EXPECT_EQ(rgbAt(c->pictures.at(blue).picture, 0.5, 0.5), 0x0000ffu);
    // Decorations included: the frame's top edge is openbox's title bar, not the terminal.
    EXPECT_NE(rgbAt(c->pictures.at(blue).picture, 0.5, 0.0), 0x0000ffu);
}

TEST(X11Thumbnails, MinimisedWindowsShowTheirLastPicture) {
    X11Driver driver;
    const uint64_t yellow = driver.openXterm("thumb yellow", "40x10+10+10", "yellow");
    const uint64_t never = driver.openXterm("thumb never", "40x10+300+10", "magenta");
    driver.minimize(never);
    auto first = capture(driver, {yellow, never});
    ASSERT_EQ(first->pictures.count(yellow), 1u);
    EXPECT_EQ(first->pictures.count(never), 0u);  // never seen: no pixels at all
    first.reset();

    driver.minimize(yellow);
    auto second = capture(driver, {yellow});
    ASSERT_EQ(second->pictures.count(yellow), 1u);
    EXPECT_EQ(second->pictures.at(yellow).kind, PictureKind::lastSeen);
    EXPECT_EQ(rgbAt(second->pictures.at(yellow).picture, 0.5, 0.6), 0xffff00u);
}

TEST(X11Thumbnails, TinyAndHugeWindowsGiveSmallPictures) {
    X11Driver driver;
    const uint64_t tiny = driver.openWindow("thumb tiny", {40, 40, 1, 1});
    const uint64_t huge = driver.openWindow("thumb huge", {0, 0, 10000, 10000});
    driver.settle();
    auto c = capture(driver, {tiny, huge});
    for (const uint64_t w : {tiny, huge}) {
        const auto frame = driver.server().frame({driver.pidOf(w), w});
        ASSERT_TRUE(frame) << w;
        ASSERT_EQ(c->pictures.count(w), 1u) << w;
        const Picture& p = c->pictures.at(w).picture;
        const Size expected = thumbnailSize(frame->width, frame->height);
        EXPECT_EQ(p.width, int(expected.width)) << w;
        EXPECT_EQ(p.height, int(expected.height)) << w;
        EXPECT_LE(std::max(p.width, p.height), kThumbnailLongSide);
        EXPECT_GE(std::min(p.width, p.height), 2);
    }
    EXPECT_EQ(driver.desktop().unexpectedXErrors(), 0);
}

TEST(X11Thumbnails, AnEmptyRequestFinishesAndADroppedCaptureStopsQuietly) {
    X11Driver driver;
    auto empty = capture(driver, {});
    EXPECT_TRUE(empty->pictures.empty());
    const uint64_t w = driver.openXterm("thumb dropped", "40x10+10+10", "cyan");
    bool called = false;
    auto handle = driver.desktop().thumbnails().capture(
        {w, w, w}, [&](WindowPicture) { called = true; }, [&] { called = true; });
    handle.reset();  // before any answer reached the main thread
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_EQ(driver.desktop().unexpectedXErrors(), 0);
}

}  // namespace
}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
