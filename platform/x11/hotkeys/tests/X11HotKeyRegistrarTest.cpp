#include <gtest/gtest.h>

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/XcbReply.h"
#include "platform/x11/hotkeys/KeyTranslation.h"
#include "platform/x11/hotkeys/X11HotKeyRegistrar.h"

namespace quenda {
namespace {

using testing::PrivateDisplay;
using testing::waitUntil;

constexpr KeyModifiers kControl{.control = true}, kOption{.alt = true}, kShift{.shift = true},
    kCommand{.super = true};
constexpr uint32_t kKey1 = 18, kKey2 = 19, kKey3 = 20, kLeftArrow = 123;

TEST(KeyTranslation, KeyCodesAndModifiers) {
    const std::pair<uint32_t, uint32_t> keys[] = {
        {0, XK_a},         {11, XK_b},     {6, XK_z},          {29, XK_0},       {18, XK_1},
        {25, XK_9},        {50, XK_grave}, {42, XK_backslash}, {49, XK_space},   {36, XK_Return},
        {76, XK_KP_Enter}, {48, XK_Tab},   {51, XK_BackSpace}, {117, XK_Delete}, {123, XK_Left},
        {126, XK_Up},      {115, XK_Home}, {121, XK_Next},     {122, XK_F1},     {96, XK_F5},
        {80, XK_F19},      {82, XK_KP_0},  {91, XK_KP_8},      {92, XK_KP_9},
    };
    for (const auto& [code, keysym] : keys) {
        EXPECT_EQ(x11::keysymForKeyCode(code), keysym) << code;
        // The shortcut recorder reads keys back the other way.
        EXPECT_EQ(x11::keyCodeForKeysym(keysym), code) << code;
    }
    EXPECT_EQ(x11::keyCodeForKeysym(XK_A), std::nullopt) << "shifted symbols are not keys";
    for (uint32_t unknown : {10u, 57u, 90u, 200u})
        EXPECT_EQ(x11::keysymForKeyCode(unknown), std::nullopt);

    EXPECT_EQ(x11::x11Modifiers(kControl), XCB_MOD_MASK_CONTROL);
    EXPECT_EQ(x11::x11Modifiers(kOption), XCB_MOD_MASK_1);
    EXPECT_EQ(x11::x11Modifiers(kShift), XCB_MOD_MASK_SHIFT);
    EXPECT_EQ(x11::x11Modifiers(kCommand), XCB_MOD_MASK_4);
    EXPECT_EQ(x11::x11Modifiers(kControl | kOption), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
    EXPECT_EQ(x11::x11Modifiers({}), 0);
}

// A client of our own on the test display: holds grabs, presses keys by keycode, reads the
// lock state.
class Client {
  public:
    explicit Client(const QString& display)
        : conn_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        symbols_ = xcb_key_symbols_alloc(conn_);
    }
    ~Client() {
        xcb_key_symbols_free(symbols_);
        xcb_disconnect(conn_);
    }
    bool ok() const { return !xcb_connection_has_error(conn_); }

    xcb_keycode_t keycode(uint32_t keysym) {
        x11::Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols_, keysym));
        return codes ? codes.get()[0] : 0;
    }
    // True when granted.
    bool grab(xcb_keycode_t keycode, uint16_t modifiers) {
        x11::Reply<xcb_generic_error_t> error(xcb_request_check(
            conn_, xcb_grab_key_checked(conn_, 0, root_, modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                        XCB_GRAB_MODE_ASYNC)));
        return !error;
    }
    void ungrab(xcb_keycode_t keycode, uint16_t modifiers) {
        xcb_ungrab_key(conn_, keycode, root_, modifiers);
        sync();
    }
    // Presses and releases `keycode` with the keys in `held` down, through XTest.
    void press(const std::vector<xcb_keycode_t>& held, xcb_keycode_t keycode) {
        for (auto k : held) fake(XCB_KEY_PRESS, k);
        fake(XCB_KEY_PRESS, keycode);
        fake(XCB_KEY_RELEASE, keycode);
        for (auto it = held.rbegin(); it != held.rend(); ++it) fake(XCB_KEY_RELEASE, *it);
        sync();
    }
    uint16_t state() {
        x11::Reply<xcb_query_pointer_reply_t> reply(
            xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root_), nullptr));
        return reply ? reply->mask : 0;
    }

  private:
    // A round trip: the server has done everything sent so far before another client's
    // request can overtake it.
    void sync() {
        x11::Reply<xcb_get_input_focus_reply_t> reply(
            xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    }
    void fake(uint8_t type, xcb_keycode_t keycode) {
        xcb_test_fake_input(conn_, type, keycode, XCB_CURRENT_TIME, root_, 0, 0, 0);
    }
    xcb_connection_t* conn_;
    xcb_window_t root_ = 0;
    xcb_key_symbols_t* symbols_ = nullptr;
};

// One Xvfb with openbox for the suite; a fresh registrar for every test.
class X11HotKeyRegistrarTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { display_ = PrivateDisplay::start(true, &startError_).release(); }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(display_) << startError_.toStdString();
        registrar = std::make_unique<X11HotKeyRegistrar>(display_->name());
        ASSERT_TRUE(registrar->isConnected());
        registrar->setHandler([this](uint32_t id) { fired.push_back(id); });
    }
    bool xdotool(const QStringList& args) { return display_->run("xdotool", args); }
    bool firedCount(size_t n) {
        return waitUntil([&] { return fired.size() >= n; });
    }

    static inline PrivateDisplay* display_ = nullptr;
    static inline QString startError_;
    std::unique_ptr<X11HotKeyRegistrar> registrar;
    std::vector<uint32_t> fired;
};

// The shortcut recorder's keys: an X key code of this keyboard back to the stored code, by
// the key's unshifted symbol.
TEST_F(X11HotKeyRegistrarTest, KeysOfTheKeyboardReadBackAsStoredCodes) {
    Client client(display_->name());
    const std::pair<uint32_t, uint32_t> keys[] = {
        {XK_k, 40}, {XK_1, kKey1}, {XK_Left, kLeftArrow}, {XK_F5, 96}, {XK_space, 49}};
    for (const auto& [keysym, code] : keys)
        EXPECT_EQ(registrar->keyCodeForX11Key(client.keycode(keysym)), code) << code;
    // Shift_L is on the keyboard but no key of a shortcut; 999 is no X key code at all.
    EXPECT_EQ(registrar->keyCodeForX11Key(client.keycode(XK_Shift_L)), std::nullopt);
    EXPECT_EQ(registrar->keyCodeForX11Key(999), std::nullopt);
}

TEST_F(X11HotKeyRegistrarTest, AGrabbedCombinationFiresWhateverTheLocks) {
    ASSERT_EQ(registrar->registerHotKey(kKey1, kControl | kOption, 7), 0);
    EXPECT_EQ(registrar->lastPressTime(), 0u);
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+1"}));
    ASSERT_TRUE(firedCount(1));
    EXPECT_EQ(fired, std::vector<uint32_t>{7});
    EXPECT_NE(registrar->lastPressTime(), 0u);

    Client client(display_->name());
    ASSERT_TRUE(client.ok());
    for (const char* lock : {"Num_Lock", "Caps_Lock"}) {
        const uint16_t before = client.state();
        ASSERT_TRUE(xdotool({"key", lock}));
        ASSERT_TRUE(waitUntil([&] { return client.state() != before; })) << lock << " is on";
        ASSERT_TRUE(xdotool({"key", "ctrl+alt+1"}));
        ASSERT_TRUE(firedCount(fired.size() + 1)) << "with " << lock << " on";
    }
    // Both on at once too, then both off again for the other tests.
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+1", "Num_Lock", "Caps_Lock"}));
    ASSERT_TRUE(firedCount(4));
    EXPECT_EQ(fired, std::vector<uint32_t>(4, 7));
}

TEST_F(X11HotKeyRegistrarTest, OnlyTheExactModifiersFire) {
    ASSERT_EQ(registrar->registerHotKey(kKey2, kControl | kOption, 1), 0);
    ASSERT_EQ(registrar->registerHotKey(0, kCommand | kShift, 2), 0);  // super+shift+a
    ASSERT_EQ(registrar->registerHotKey(kKey2, kControl | kOption | kShift, 3), 0);
    ASSERT_TRUE(xdotool({"key", "ctrl+2", "super+a", "super+shift+a", "ctrl+alt+shift+2"}));
    ASSERT_TRUE(firedCount(2));
    EXPECT_EQ(fired, (std::vector<uint32_t>{2, 3}));
}

TEST_F(X11HotKeyRegistrarTest, CombinationsHeldElsewhereAreTaken) {
    // Openbox's own desktop switch.
    EXPECT_EQ(registrar->registerHotKey(kLeftArrow, kControl | kOption, 1),
              HotKeyRegistrar::kTaken);

    // Another client holding just one lock state: nothing of ours may stay behind.
    Client other(display_->name());
    const xcb_keycode_t three = other.keycode(XK_3);
    const uint16_t ctrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    ASSERT_TRUE(other.grab(three, ctrlAlt | XCB_MOD_MASK_LOCK));
    EXPECT_EQ(registrar->registerHotKey(kKey3, kControl | kOption, 2), HotKeyRegistrar::kTaken);
    EXPECT_TRUE(other.grab(three, ctrlAlt)) << "the states we were granted were released";
    other.ungrab(three, ctrlAlt);
    other.ungrab(three, ctrlAlt | XCB_MOD_MASK_LOCK);
    EXPECT_EQ(registrar->registerHotKey(kKey3, kControl | kOption, 2), 0);

    // Our own second registration of one combination is refused as well.
    EXPECT_EQ(registrar->registerHotKey(kKey3, kControl | kOption, 3), HotKeyRegistrar::kTaken);
    registrar->unregisterHotKey(2);
    EXPECT_EQ(registrar->registerHotKey(kKey3, kControl | kOption, 3), 0);
}

TEST_F(X11HotKeyRegistrarTest, KeysThatThisKeymapLacksFail) {
    EXPECT_EQ(registrar->registerHotKey(80, {}, 1), HotKeyRegistrar::kInvalid);  // no F19 here
    EXPECT_EQ(registrar->registerHotKey(10, kCommand, 2), HotKeyRegistrar::kInvalid);
    EXPECT_EQ(registrar->registerHotKey(122, {}, 3), 0);  // bare F1 is there
}

TEST_F(X11HotKeyRegistrarTest, AnUnregisteredCombinationNoLongerFires) {
    ASSERT_EQ(registrar->registerHotKey(kKey1, kControl | kOption, 1), 0);
    ASSERT_EQ(registrar->registerHotKey(kKey2, kControl | kOption, 2), 0);
    registrar->unregisterHotKey(1);
    registrar->unregisterHotKey(99);  // unknown: ignored
    // Events arrive in order: once the second fired, the first would have been seen.
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+1", "ctrl+alt+2"}));
    ASSERT_TRUE(firedCount(1));
    EXPECT_EQ(fired, std::vector<uint32_t>{2});

    // Re-registering an id replaces what it had.
    ASSERT_EQ(registrar->registerHotKey(kKey1, kControl | kOption, 2), 0);
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+2", "ctrl+alt+1"}));
    ASSERT_TRUE(firedCount(2));
    EXPECT_EQ(fired, (std::vector<uint32_t>{2, 2}));
}

TEST_F(X11HotKeyRegistrarTest, ClosingReleasesTheGrabs) {
    ASSERT_EQ(registrar->registerHotKey(kKey1, kControl | kOption, 1), 0);
    registrar.reset();
    // Released when the server notices the closed connection, which is not at once.
    X11HotKeyRegistrar next(display_->name());
    EXPECT_TRUE(waitUntil([&] { return next.registerHotKey(kKey1, kControl | kOption, 1) == 0; }));
}

// A server of its own: these tests change its keymap or end it.
TEST(X11HotKeyRegistrarAlone, FollowsKeymapChanges) {
    QString error;
    const auto display = PrivateDisplay::start(false, &error);
    ASSERT_TRUE(display) << error.toStdString();
    X11HotKeyRegistrar registrar(display->name());
    std::vector<uint32_t> fired;
    registrar.setHandler([&](uint32_t id) { fired.push_back(id); });
    ASSERT_EQ(registrar.registerHotKey(kKey1, kControl | kOption, 1), 0);

    // "1" gains a second key.
    Client client(display->name());
    const xcb_keycode_t spare = 191;
    ASSERT_TRUE(display->run("xmodmap", {"-e", QString("keycode %1 = 1 exclam").arg(spare)}));
    ASSERT_TRUE(waitUntil([&] { return registrar.regrabCount() >= 1; }));
    client.press({client.keycode(XK_Control_L), client.keycode(XK_Alt_L)}, spare);
    ASSERT_TRUE(waitUntil([&] { return fired.size() == 1; })) << "the new key is grabbed";
    ASSERT_TRUE(display->run("xdotool", {"key", "ctrl+alt+1"}));
    ASSERT_TRUE(waitUntil([&] { return fired.size() == 2; })) << "and the old one still";
}

TEST(X11HotKeyRegistrarAlone, ALostServerFailsQuietly) {
    QString error;
    auto display = PrivateDisplay::start(false, &error);
    ASSERT_TRUE(display) << error.toStdString();
    X11HotKeyRegistrar registrar(display->name());
    ASSERT_EQ(registrar.registerHotKey(kKey1, kControl | kOption, 1), 0);
    display->killServer();
    ASSERT_TRUE(waitUntil([&] { return !registrar.isConnected(); }));
    EXPECT_NE(registrar.registerHotKey(kKey2, kControl | kOption, 2), 0);
    registrar.unregisterHotKey(1);

    // Straight after the loss, before the event loop noticed it.
    auto second = PrivateDisplay::start(false, &error);
    ASSERT_TRUE(second) << error.toStdString();
    X11HotKeyRegistrar early(second->name());
    ASSERT_EQ(early.registerHotKey(kKey1, kControl | kOption, 1), 0);
    second->killServer();
    EXPECT_NE(early.registerHotKey(kKey2, kControl | kOption, 2), 0);
    EXPECT_FALSE(early.isConnected());
}

TEST(X11HotKeyRegistrarAlone, NoServerAtAll) {
    X11HotKeyRegistrar registrar(":9999");  // nothing listens there
    EXPECT_FALSE(registrar.isConnected());
    EXPECT_EQ(registrar.registerHotKey(kKey1, kControl | kOption, 1), HotKeyRegistrar::kInvalid);
    registrar.unregisterHotKey(1);
}

}  // namespace
}  // namespace quenda

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // the registrar reads its events in Qt's loop
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
