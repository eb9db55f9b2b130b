// Synthetic keys on a real X server with openbox, judged by the applications that receive
// them: what mousepad saves after a posted Ctrl+V, what an xterm running `cat` writes after
// Shift+Insert and Return, and the state xev reports for a Ctrl+V posted while the user holds
// Shift.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/Keys.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/TestPrinters.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/tests/X11Driver.h"
#include "platform/x11/X11Desktop.h"

namespace quenda::testing {
namespace {

constexpr KeyModifiers kCtrl{.control = true};
constexpr KeyModifiers kShift{.shift = true};
constexpr KeyModifiers kCtrlShift{.control = true, .shift = true};

// The clock is never used by these tests: they post, and read the state, directly.
class UnusedClock final : public Clock {
  public:
    double now() override { return 0; }
    void after(double, Task) override {}
    TimerId every(double, Task) override { return 0; }
    void cancel(TimerId) override {}
};

class UnusedPasteboard final : public Pasteboard {
  public:
    int64_t changeCount() override { return 0; }
    void setChangeHandler(std::function<void()>) override {}
    void read(const PasteboardRead&, std::function<void(PasteboardContent)>) override {}
    void writeText(const QString&, bool) override {}
    void writeImage(const QByteArray&) override {}
    void writeFiles(const std::vector<QString>&) override {}
};

QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class X11Keys : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        desktop_ = X11Desktop::open(&error, display().name());
        ASSERT_TRUE(desktop_) << error.toStdString();
    }
    void TearDown() override {
        // Last started, first ended: the session bus outlives the programs on it.
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
            (*it)->kill();
            (*it)->waitForFinished(5000);
        }
        // Nothing may stay held for the next test.
        for (const char* key : {"shift", "ctrl"}) run("xdotool", {"keyup", key});
        if (desktop_ && desktop_->unexpectedXErrors() > 0)
            ADD_FAILURE() << "unexpected X errors, the last: "
                          << desktop_->lastUnexpectedXError().toStdString();
    }

    static PrivateDisplay& display() { return X11Driver::sharedDisplay(); }
    SyntheticKeys& keys() { return desktop_->syntheticKeys(); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display().name());
        // A fresh profile: no first-run questions, no settings of the user's, no session
        // services to look for.
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.filePath("config"));
        env.insert("XDG_CACHE_HOME", home_.filePath("cache"));
        env.insert("XDG_DATA_HOME", home_.filePath("data"));
        env.insert("GSETTINGS_BACKEND", "memory");
        env.insert("NO_AT_BRIDGE", "1");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        if (!busAddress_.isEmpty()) env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress_);
        return env;
    }
    // A session bus of the test's own for the programs it starts from now on, ended with them.
    bool startSessionBus() {
        QProcess& bus = start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QString output;
        // Its address, on a line of its own among whatever it warns about.
        static const QRegularExpression address(QStringLiteral("^(unix:\\S+)$"),
                                                QRegularExpression::MultilineOption);
        waitUntil([&] {
            output += QString::fromUtf8(bus.readAllStandardOutput());
            busAddress_ = address.match(output).captured(1);
            return !busAddress_.isEmpty();
        });
        return !busAddress_.isEmpty();
    }
    // Starts a program that runs until the test ends.
    QProcess& start(const QString& program, const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(environment());
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(program, args);
        EXPECT_TRUE(p->waitForStarted(10000)) << program.toStdString();
        processes_.push_back(std::move(p));
        return *processes_.back();
    }
    // Runs an X client to its end; its output, or nothing when it failed.
    std::optional<QString> run(const QString& program, const QStringList& args,
                               const QByteArray& input = {}) {
        QProcess p;
        p.setProcessEnvironment(environment());
        // xclip leaves a child behind that serves the selection: it must not hold our pipes.
        if (program == "xclip" && !args.contains("-o"))
            p.setStandardOutputFile(QProcess::nullDevice());
        p.start(program, args);
        if (!p.waitForStarted(10000)) return std::nullopt;
        if (!input.isNull()) {
            p.write(input);
            p.closeWriteChannel();
        }
        if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // The visible window whose title matches `name`, once there is one.
    uint64_t waitForWindow(const QString& name) {
        uint64_t found = 0;
        waitUntil(
            [&] {
                const auto out = run("xdotool", {"search", "--onlyvisible", "--name", name});
                if (!out || out->trimmed().isEmpty()) return false;
                found = out->trimmed().split('\n').first().toULongLong();
                return found != 0;
            },
            30);
        return found;
    }
    std::optional<QString> titleOf(uint64_t window) {
        const auto out = run("xdotool", {"getwindowname", QString::number(window)});
        if (!out) return std::nullopt;
        return out->trimmed();
    }
    // Gives the window the keyboard focus and waits until the window manager says it has it.
    bool activate(uint64_t window) {
        return waitUntil([&] {
            run("xdotool", {"windowactivate", QString::number(window)});
            const auto active = run("xdotool", {"getactivewindow"});
            return active && active->trimmed().toULongLong() == window;
        });
    }
    // Puts the text on a selection and waits until it is offered there: xclip leaves a child
    // behind that takes the selection some time after xclip itself has returned.
    bool setSelection(const QString& selection, const QString& text) {
        if (!run("xclip", {"-selection", selection}, text.toUtf8())) return false;
        return waitUntil([&] { return run("xclip", {"-o", "-selection", selection}) == text; });
    }
    Keys logicKeys() { return Keys(keys(), pasteboard_, clock_, desktop_->windowServer(), prefs_); }

    QTemporaryDir home_;
    QString busAddress_;
    std::unique_ptr<X11Desktop> desktop_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    UnusedClock clock_;
    UnusedPasteboard pasteboard_;
    SimDefaults store_;
    Prefs prefs_{store_};
};

// Ctrl+V into a GTK text editor pastes the clipboard; the oracle is the file mousepad saves.
TEST_F(X11Keys, CtrlVPastesTheClipboardIntoMousepad) {
    const QString path = home_.filePath("nota-pegada.txt");
    {
        QFile empty(path);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    // Its own session bus, so it neither finds nor becomes another instance.
    ASSERT_TRUE(startSessionBus());
    start("mousepad", {path});
    const uint64_t window = waitForWindow("nota-pegada");
    ASSERT_NE(window, 0u) << "mousepad did not show its window";

    const WindowRef ref{0, window};
    EXPECT_EQ(desktop_->windowServer().windowClass(ref), QStringLiteral("Mousepad"));
    const PasteChord chord = logicKeys().pasteChord(ref);
    EXPECT_EQ(chord, (PasteChord{{SyntheticKey::v, kCtrl}, false}));

    const QString text = QStringLiteral("pegado por Quenda: ñandú ✓");
    ASSERT_TRUE(setSelection("clipboard", text));
    ASSERT_TRUE(activate(window));
    keys().post(chord.chord.key, chord.chord.modifiers);
    // The paste is asynchronous (mousepad asks the clipboard's owner first): save once
    // mousepad marks the document as changed.
    ASSERT_TRUE(waitUntil([&] { return titleOf(window).value_or("").startsWith('*'); }))
        << "mousepad's title: " << titleOf(window).value_or("?").toStdString();
    // Typed as real input: GTK ignores key events sent to a window.
    ASSERT_TRUE(run("xdotool", {"key", "ctrl+s"}));
    EXPECT_TRUE(waitUntil([&] { return fileText(path) == text; }))
        << "mousepad saved: " << fileText(path).toStdString();
}

// xterm pastes PRIMARY with Shift+Insert; Return ends the line. The oracle is what `cat`
// running in it writes.
TEST_F(X11Keys, ShiftInsertAndReturnIntoAnXterm) {
    const QString path = home_.filePath("cat-output.txt");
    const QString title = QStringLiteral("quenda-keys-cat");
    // Without line editing, cat passes on each character as it comes, so the paste can be
    // seen before the line ends.
    start("xterm", {"-T", title, "-e", "sh", "-c", "stty -icanon; cat > \"$0\"", path});
    const uint64_t window = waitForWindow(title);
    ASSERT_NE(window, 0u) << "the xterm did not show its window";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(path); }));

    const WindowRef ref{0, window};
    EXPECT_EQ(desktop_->windowServer().windowClass(ref), QStringLiteral("XTerm"));
    Keys logic = logicKeys();
    EXPECT_EQ(logic.copyChord(ref), std::nullopt);
    const PasteChord chord = logic.pasteChord(ref);
    EXPECT_EQ(chord, (PasteChord{{SyntheticKey::insert, kShift}, true}));

    // Something else on CLIPBOARD, to tell the two apart.
    ASSERT_TRUE(setSelection("clipboard", "not this one\n"));
    ASSERT_TRUE(setSelection("primary", "pasted from PRIMARY\n"));
    ASSERT_TRUE(activate(window));
    logic.post(chord.chord);
    EXPECT_TRUE(waitUntil([&] { return fileText(path) == "pasted from PRIMARY\n"; }))
        << "cat wrote: " << fileText(path).toStdString();

    ASSERT_TRUE(setSelection("primary", "then Return"));
    logic.post(chord.chord);
    // The paste is asynchronous (xterm asks the selection's owner first): a Return sent at
    // once could overtake it.
    ASSERT_TRUE(waitUntil([&] { return fileText(path).endsWith("then Return"); }))
        << "cat wrote: " << fileText(path).toStdString();
    logic.post(SyntheticKey::returnKey, {});
    EXPECT_TRUE(waitUntil([&] { return fileText(path) == "pasted from PRIMARY\nthen Return\n"; }))
        << "cat wrote: " << fileText(path).toStdString();

    // Gone: nothing to tell.
    processes_.back()->kill();
    processes_.back()->waitForFinished(5000);
    EXPECT_TRUE(waitUntil([&] { return !desktop_->windowServer().windowClass(ref); }));
}

// What the user still holds reaches neither the posted press nor anything after it: xev
// sees exactly the modifiers asked for with the key. Modifiers the press does not want are
// released and not pressed again (they would stay stuck); a wanted one the user holds is
// left held.
TEST_F(X11Keys, HeldModifiersDoNotLeakIntoThePress) {
    QProcess& xev = start("xev", {"-event", "keyboard", "-name", "quenda-keys-xev"});
    const uint64_t window = waitForWindow("quenda-keys-xev");
    ASSERT_NE(window, 0u) << "xev did not show its window";
    ASSERT_TRUE(activate(window));
    QString seen;
    const auto readXev = [&] { seen += QString::fromUtf8(xev.readAllStandardOutput()); };

    struct Case {
        const char* held;  // as xdotool names them; empty for nothing
        KeyModifiers heldModifiers;
        SyntheticKey key;
        KeyModifiers modifiers;
        const char* keysym;  // what xev names the key
        const char* state;   // the press's modifier state as xev prints it
        KeyModifiers heldAfter;
    } cases[] = {
        {"shift", kShift, SyntheticKey::v, kCtrl, "v", "0x4", {}},
        {"ctrl+alt", {.control = true, .alt = true}, SyntheticKey::v, kCtrl, "v", "0x4", kCtrl},
        {"ctrl", kCtrl, SyntheticKey::returnKey, {}, "Return", "0x0", {}},
        {"", {}, SyntheticKey::insert, kShift, "Insert", "0x1", {}},
        {"super+shift",
         {.shift = true, .super = true},
         SyntheticKey::c,
         kCtrlShift,
         "C",
         "0x5",
         kShift},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "holding '" << c.held << "', posting "
                     << ::testing::PrintToString(c.modifiers) << "+" << c.keysym);
        ASSERT_TRUE(run("xdotool", {"keyup", "shift", "ctrl", "alt", "super"}));
        if (*c.held) ASSERT_TRUE(run("xdotool", {"keydown", c.held}));
        EXPECT_TRUE(waitUntil([&] { return keys().heldModifiers() == c.heldModifiers; }));

        readXev();
        const qsizetype from = seen.size();
        keys().post(c.key, c.modifiers);
        EXPECT_EQ(keys().heldModifiers(), c.heldAfter);

        // xev prints one block per event, its state and key on the third line.
        const QRegularExpression block(
            QStringLiteral(R"(KeyPress event,[^\n]*\n[^\n]*\n\s*state (0x[0-9a-f]+), keycode \d+ )"
                           R"(\(keysym 0x[0-9a-f]+, %1\))")
                .arg(QRegularExpression::escape(QString::fromLatin1(c.keysym))));
        QRegularExpressionMatch press;
        EXPECT_TRUE(waitUntil([&] {
            readXev();
            press = block.match(seen, from);
            return press.hasMatch();
        })) << seen.mid(from).toStdString();
        EXPECT_EQ(press.captured(1), QString::fromLatin1(c.state));
        // Nothing the user held is pressed again after the key.
        readXev();
        EXPECT_FALSE(seen.mid(press.capturedEnd())
                         .contains(QRegularExpression(
                             R"(KeyPress event[^\n]*\n[^\n]*\n[^\n]*(Shift|Control|Alt|Super)_)")))
            << seen.mid(from).toStdString();
    }
}

}  // namespace
}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
