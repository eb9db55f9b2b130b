// The pasteboard contract on a private X server, where the other programs are xclip and a
// small clipboard owner of ours (tests/support/clipboard_owner.cpp), and the X11 backend's
// own cases: large transfers, owners that hang or die, markers, images to convert.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <stdexcept>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include "platform/tests/PasteboardContract.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/clipboard/X11Pasteboard.h"

namespace quenda::testing {

namespace {

PrivateDisplay& sharedDisplay() {
    static std::unique_ptr<PrivateDisplay> shared = [] {
        QString error;
        auto d = PrivateDisplay::start(false, &error);
        if (!d) throw std::runtime_error("no private X display: " + error.toStdString());
        return d;
    }();
    return *shared;
}

}  // namespace

// Other programs on the private display: xclip copies and pastes, our owner offers what
// xclip cannot.
class X11PasteboardDriver final : public PasteboardDriver {
  public:
    X11PasteboardDriver() : display_(sharedDisplay().name()) {
        QString error;
        pasteboard_ = X11Pasteboard::open(&error, display_);
        if (!pasteboard_) throw std::runtime_error(error.toStdString());
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("DISPLAY", display_);
        env_.insert("QT_QPA_PLATFORM", "xcb");
    }
    ~X11PasteboardDriver() override {
        pasteboard_.reset();
        for (auto& p : owners_) {
            p->kill();
            p->waitForFinished(5000);
        }
    }

    Pasteboard& pasteboard() override { return *pasteboard_; }
    X11Pasteboard& x11() { return *pasteboard_; }

    // xclip owns the clipboard with `bytes` under `target` (read from a file for large ones).
    void xclipCopies(const QString& target, const QByteArray& bytes) {
        QStringList args = {"-quiet", "-selection", "clipboard", "-t", target, "-i"};
        auto p = process();
        if (bytes.size() > 1024 * 1024) {
            QFile file(dir_.filePath("copied"));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            file.close();
            p->start("xclip", args << file.fileName());
            p->closeWriteChannel();
        } else {
            p->start("xclip", args);
            p->write(bytes);
            p->waitForBytesWritten(5000);
            p->closeWriteChannel();
        }
        if (!p->waitForStarted(5000)) ADD_FAILURE() << "xclip did not start";
        owners_.push_back(std::move(p));
    }
    // xclip copies the file `path` as it is.
    void xclipCopiesFile(const QString& target, const QString& path) {
        auto p = process();
        p->start("xclip", {"-quiet", "-selection", "clipboard", "-t", target, "-i", path});
        p->closeWriteChannel();
        if (!p->waitForStarted(5000)) ADD_FAILURE() << "xclip did not start";
        owners_.push_back(std::move(p));
    }

    // Our owner program offers `targets` (TARGET=VALUE); returns once it owns the clipboard.
    QProcess& ownerOffers(const QStringList& targets, const QStringList& options = {}) {
        return startOwner(QUENDA_CLIPBOARD_OWNER, options + targets);
    }
    // A Qt program copies through Qt's own clipboard.
    QProcess& qtCopies(const QStringList& args) { return startOwner(QUENDA_QT_CLIPBOARD, args); }
    // What a Qt program pastes, one line a kind ("text ...", "url ...", "image WxH").
    QStringList qtPastes() {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(QUENDA_QT_CLIPBOARD, {"paste"});
        if (!p.waitForFinished(30000)) return {};
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    void copyText(const QString& text) override { xclipCopies("UTF8_STRING", text.toUtf8()); }
    void copyFiles(const std::vector<QString>& paths) override {
        QByteArray list;
        for (const QString& path : paths) list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
        xclipCopies("text/uri-list", list);
    }
    void copyPng(const QByteArray& png) override { xclipCopies("image/png", png); }
    void copyMarked(const QString& marker, const QString& text) override {
        const QString value = marker == "x-kde-passwordManagerHint" ? "secret" : "1";
        ownerOffers({marker + "=" + value, "UTF8_STRING=" + text});
    }
    void selectText(const QString& text) override {
        auto p = process();
        p->start("xclip", {"-quiet", "-selection", "primary", "-t", "UTF8_STRING", "-i"});
        p->write(text.toUtf8());
        p->waitForBytesWritten(5000);
        p->closeWriteChannel();
        if (!p->waitForStarted(5000)) ADD_FAILURE() << "xclip did not start";
        owners_.push_back(std::move(p));
        if (!waitUntil([&] { return paste("UTF8_STRING", true) == text.toUtf8(); }))
            ADD_FAILURE() << "the selection never offered the text";
    }
    // The last owner exits.
    void clear() override {
        if (owners_.empty()) return;
        owners_.back()->terminate();
        owners_.back()->waitForFinished(5000);
    }

    std::optional<QByteArray> paste(const QString& target, bool selection = false) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start("xclip", {"-o", "-selection", selection ? "primary" : "clipboard", "-t", target});
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return std::nullopt;
        return p.readAllStandardOutput();
    }
    std::optional<QString> pasteText(bool selection) override {
        const auto bytes = paste("UTF8_STRING", selection);
        if (!bytes) return std::nullopt;
        return QString::fromUtf8(*bytes);
    }
    std::vector<QString> pasteFiles() override {
        std::vector<QString> files;
        for (const QByteArray& line : paste("text/uri-list").value_or(QByteArray()).split('\n')) {
            const QUrl url = QUrl::fromEncoded(line.trimmed());
            if (url.isLocalFile()) files.push_back(url.toLocalFile());
        }
        return files;
    }
    std::optional<QByteArray> pastePng() override { return paste("image/png"); }

    bool waitFor(const std::function<bool()>& condition) override {
        return waitUntil(condition, 15);
    }

  private:
    QProcess& startOwner(const QString& program, const QStringList& args) {
        auto p = process();
        p->setProcessChannelMode(QProcess::SeparateChannels);
        p->start(program, args);
        if (!waitUntil([&] { return p->canReadLine() || p->state() == QProcess::NotRunning; }))
            ADD_FAILURE() << program.toStdString() << " never said it was ready";
        EXPECT_EQ(p->readLine().trimmed(), QByteArray("ready"));
        owners_.push_back(std::move(p));
        return *owners_.back();
    }
    std::unique_ptr<QProcess> process() {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env_);
        return p;
    }

    QString display_;
    QProcessEnvironment env_;
    QTemporaryDir dir_;
    std::unique_ptr<X11Pasteboard> pasteboard_;
    std::vector<std::unique_ptr<QProcess>> owners_;
};

std::unique_ptr<PasteboardDriver> makeX11PasteboardDriver() {
    return std::make_unique<X11PasteboardDriver>();
}

INSTANTIATE_TEST_SUITE_P(X11, PasteboardContract, ::testing::Values(&makeX11PasteboardDriver));

// ---------------------------------------------------------------------------------------------
// The X11 backend's own cases.

class X11PasteboardTest : public PasteboardContract {
  protected:
    void SetUp() override { driver = std::make_unique<X11PasteboardDriver>(); }
    X11PasteboardDriver& x() { return static_cast<X11PasteboardDriver&>(*driver); }

    // Reads, pumping the event loop, and says how long the answer took.
    PasteboardContent timedRead(double* seconds) {
        QElapsedTimer clock;
        clock.start();
        PasteboardContent c = read();
        *seconds = clock.elapsed() / 1000.0;
        return c;
    }
};

// Random pixels compress to nothing: a PNG of about `megabytes`.
QByteArray largePng(int megabytes) {
    const int side = int(std::sqrt(megabytes * 1024.0 * 1024.0 / 3));
    QImage image(side, side, QImage::Format_RGB888);
    auto* random = QRandomGenerator::global();
    for (int y = 0; y < side; ++y)
        random->fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), image.bytesPerLine() / 4);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 100);
    return bytes;
}

TEST_F(X11PasteboardTest, ALargeImageTravelsWholeBothWays) {
    const QByteArray png = largePng(20);
    ASSERT_GT(png.size(), 19 * 1024 * 1024);
    changes([&] { x().copyPng(png); });
    const PasteboardContent c = read();
    ASSERT_TRUE(c.png);
    EXPECT_EQ(c.png->size(), png.size());
    EXPECT_TRUE(*c.png == png);

    changes([&] { pasteboard().writeImage(png); });
    const auto pasted = x().pastePng();
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->size(), png.size());
    EXPECT_TRUE(*pasted == png);
}

TEST_F(X11PasteboardTest, WhatWeOfferUnderWhichNames) {
    const QString text = QString::fromUtf8("plain ü");
    changes([&] { pasteboard().writeText(text); });
    const QString targets = QString::fromUtf8(x().paste("TARGETS").value_or(QByteArray()));
    for (const char* t :
         {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT", "TARGETS", "TIMESTAMP"})
        EXPECT_TRUE(targets.contains(t)) << t << " in " << targets.toStdString();
    EXPECT_EQ(x().paste("text/plain;charset=utf-8"), text.toUtf8());
    EXPECT_EQ(x().paste("STRING"), text.toLatin1());
    EXPECT_EQ(x().paste("image/png"), std::nullopt);

    changes([&] { pasteboard().writeFiles({"/tmp/b c.txt", "/tmp/d"}); });
    EXPECT_EQ(x().paste("text/uri-list"), QByteArray("file:///tmp/b%20c.txt\r\nfile:///tmp/d\r\n"));
    EXPECT_EQ(x().paste("x-special/gnome-copied-files"),
              QByteArray("copy\nfile:///tmp/b%20c.txt\nfile:///tmp/d"));
    EXPECT_EQ(x().paste("text/plain"), QByteArray("/tmp/b c.txt\n/tmp/d"));

    // The other selection keeps the text it was given until another program takes it.
    changes([&] { pasteboard().writeText("also primary", true); });
    changes([&] { pasteboard().writeImage(pngImage(3, 3)); });
    EXPECT_EQ(x().pasteText(true), QString("also primary"));
    EXPECT_EQ(x().pasteText(false), std::nullopt);
}

TEST_F(X11PasteboardTest, LosingTheClipboardDropsOurCopy) {
    changes([&] { pasteboard().writeText("ours"); });
    changes([&] { x().copyText("theirs"); });
    changes([&] { x().clear(); });  // xclip exits: nobody owns the clipboard, not even us
    EXPECT_EQ(x().pasteText(false), std::nullopt);
    EXPECT_TRUE(read().types.isEmpty());
}

// The marker's value is read and nothing else: the owner is never asked for the text.
TEST_F(X11PasteboardTest, APasswordManagersCopyIsNeverAskedFor) {
    const struct {
        QString marker, value;
        bool isPrivate;
    } cases[] = {
        {"x-kde-passwordManagerHint", "secret", true},
        {"x-kde-passwordManagerHint", "public", false},
        {"application/x-copyq-secret", "1", true},
        {"org.nspasteboard.ConcealedType", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.marker + "=" + c.value).toStdString());
        QProcess* owner = nullptr;
        changes([&] {
            owner = &x().ownerOffers({c.marker + "=" + c.value, "UTF8_STRING=hunter2"});
        });
        const PasteboardContent content = read();
        if (c.isPrivate) {
            EXPECT_TRUE(content.types.contains(c.marker)) << content.types.join(' ').toStdString();
            EXPECT_EQ(content.text, std::nullopt);
        } else {
            EXPECT_FALSE(content.types.contains(c.marker));
            EXPECT_EQ(content.text, QString("hunter2"));
        }
        EXPECT_TRUE(content.types.contains("UTF8_STRING"));
        // What the owner was asked for, as it tells.
        while (owner->waitForReadyRead(200)) {
        }
        const QByteArray asked = owner->readAllStandardOutput();
        EXPECT_EQ(asked.contains("asked UTF8_STRING"), !c.isPrivate) << asked.toStdString();
        const bool hasValue = c.marker == "x-kde-passwordManagerHint";
        EXPECT_EQ(asked.contains("asked " + c.marker.toUtf8()), hasValue) << asked.toStdString();
    }
}

// An owner that never answers costs a read about a second; the main thread runs meanwhile,
// and the next copy is read as usual.
TEST_F(X11PasteboardTest, AHungOwnerCostsOneBoundedWait) {
    changes([&] { x().ownerOffers({"UTF8_STRING=never sent"}, {"--hang"}); });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);

    QElapsedTimer clock;
    clock.start();
    bool answered = false;
    PasteboardContent got;
    pasteboard().read({}, [&](PasteboardContent c) {
        answered = true;
        got = std::move(c);
    });
    EXPECT_LT(clock.elapsed(), 50);  // read() itself returns at once
    ASSERT_TRUE(waitUntil([&] { return answered; }, 5));
    const double seconds = clock.elapsed() / 1000.0;
    EXPECT_GE(seconds, 0.8);
    EXPECT_LE(seconds, 2.5);  // about a second, with room for a loaded machine
    EXPECT_GE(ticks, 20);     // the main thread's timer kept firing
    EXPECT_TRUE(got.types.isEmpty());
    EXPECT_EQ(got.text, std::nullopt);

    changes([&] { x().copyText("after the hang"); });
    EXPECT_EQ(read().text, QString("after the hang"));
}

// An owner that lists its types but never sends one: the types, and no content.
TEST_F(X11PasteboardTest, AnOwnerThatHangsAfterListingGivesTypesOnly) {
    changes([&] {
        x().ownerOffers({"UTF8_STRING=never sent", "image/png=never"}, {"--hang-after-targets"});
    });
    double seconds = 0;
    const PasteboardContent c = timedRead(&seconds);
    EXPECT_TRUE(c.types.contains("UTF8_STRING"));
    EXPECT_TRUE(c.types.contains("image/png"));
    EXPECT_EQ(c.text, std::nullopt);
    EXPECT_EQ(c.png, std::nullopt);
    EXPECT_GE(seconds, 0.8);
    EXPECT_LE(seconds, 2.0);
}

TEST_F(X11PasteboardTest, AnOwnerThatDiesMidTransferGivesNothing) {
    changes([&] { x().ownerOffers({"UTF8_STRING=" + QString(200, 'z')}, {"--die-mid-transfer"}); });
    double seconds = 0;
    const PasteboardContent c = timedRead(&seconds);
    EXPECT_EQ(c.text, std::nullopt);
    EXPECT_LE(seconds, 2.0);
    // It went away, so the clipboard is empty now and that was counted too.
    EXPECT_TRUE(x().waitFor([&] { return read().types.isEmpty(); }));
}

TEST_F(X11PasteboardTest, AnOwnerThatClearsTheClipboardIsCounted) {
    QProcess* owner = nullptr;
    changes([&] { owner = &x().ownerOffers({"UTF8_STRING=transient"}); });
    EXPECT_EQ(read().text, QString("transient"));
    changes([&] { owner->write("clear\n"); });
    const PasteboardContent c = read();
    EXPECT_TRUE(c.types.isEmpty());
    EXPECT_EQ(c.text, std::nullopt);
}

TEST_F(X11PasteboardTest, ImagesAreCheckedAndConverted) {
    // Not an image, though it says so: nothing.
    changes([&] { x().copyPng("this is text, not a PNG"); });
    PasteboardContent c = read();
    EXPECT_TRUE(c.types.contains("image/png"));
    EXPECT_EQ(c.png, std::nullopt);

    // A BMP becomes a PNG of the same picture.
    QImage image(12, 7, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    changes([&] { x().xclipCopies("image/bmp", bmp); });
    c = read();
    ASSERT_TRUE(c.png);
    const QImage back = QImage::fromData(*c.png, "PNG");
    EXPECT_EQ(back.size(), image.size());
    EXPECT_EQ(back.pixelColor(5, 5), QColor(Qt::yellow));
}

TEST_F(X11PasteboardTest, FileListsOfEveryKind) {
    // Links and names that are not UTF-8 are left out; the rest keep their order.
    changes([&] {
        x().xclipCopies("text/uri-list",
                        "https://example.org/a\r\nfile:///tmp/%FF%FE\r\nfile:///tmp/kept%201\r\n"
                        "file:///tmp/kept2\r\n");
    });
    EXPECT_EQ(read().files, (std::vector<QString>{"/tmp/kept 1", "/tmp/kept2"}));

    changes([&] {
        x().ownerOffers({"x-special/gnome-copied-files=copy\nfile:///tmp/g%C3%BC\nfile:///tmp/h"});
    });
    EXPECT_EQ(read().files, (std::vector<QString>{QString::fromUtf8("/tmp/gü"), "/tmp/h"}));

    // Files come before the text offered beside them.
    changes([&] { x().ownerOffers({"UTF8_STRING=/tmp/f", "text/uri-list=file:///tmp/f\r\n"}); });
    const PasteboardContent c = read();
    EXPECT_EQ(c.files, std::vector<QString>{"/tmp/f"});
    EXPECT_EQ(c.text, std::nullopt);
}

// Qt's clipboard as the other program, as in KeePassXC and Qt file managers.
TEST_F(X11PasteboardTest, QtApplicationsCopyAndPasteWithUs) {
    changes([&] { x().qtCopies({"copy-secret", "hunter2"}); });
    PasteboardContent c = read();
    EXPECT_TRUE(c.types.contains("x-kde-passwordManagerHint")) << c.types.join(' ').toStdString();
    EXPECT_EQ(c.text, std::nullopt);

    changes([&] { x().qtCopies({"copy-image", "30", "20"}); });
    c = read();
    ASSERT_TRUE(c.png);
    EXPECT_EQ(QImage::fromData(*c.png, "PNG").size(), QSize(30, 20));

    changes([&] { pasteboard().writeText(QString::fromUtf8("für Qt")); });
    EXPECT_TRUE(x().qtPastes().contains(QString::fromUtf8("text für Qt")))
        << x().qtPastes().join(" | ").toStdString();

    const std::vector<QString> paths = {"/tmp/a b", QString::fromUtf8("/tmp/ç")};
    changes([&] { pasteboard().writeFiles(paths); });
    const QStringList pasted = x().qtPastes();
    for (const QString& path : paths)
        EXPECT_TRUE(pasted.contains("url " + QUrl::fromLocalFile(path).toString()))
            << pasted.join(" | ").toStdString();

    changes([&] { pasteboard().writeImage(pngImage(9, 4)); });
    EXPECT_TRUE(x().qtPastes().contains("image 9x4")) << x().qtPastes().join(" | ").toStdString();
}

TEST_F(X11PasteboardTest, OlderTextTargetsAreReadToo) {
    changes([&] { x().ownerOffers({QString::fromUtf8("STRING=café")}, {"--latin1"}); });
    EXPECT_EQ(read().text, QString::fromUtf8("café"));
}

// A server that freezes or dies leaves every read answered (empty) and the pasteboard able
// to close at once. On a display of its own.
TEST(X11PasteboardServer, AFrozenOrLostServerLeavesReadsAnswered) {
    QString error;
    auto display = PrivateDisplay::start(false, &error);
    ASSERT_TRUE(display) << error.toStdString();
    auto emptyWithin = [](Pasteboard& pasteboard, double seconds) {
        std::optional<PasteboardContent> got;
        pasteboard.read({}, [&](PasteboardContent c) { got = std::move(c); });
        if (!waitUntil([&] { return got.has_value(); }, seconds)) return false;
        return got->types.isEmpty() && !got->text && !got->png && got->files.empty();
    };

    auto pasteboard = X11Pasteboard::open(&error, display->name());
    ASSERT_TRUE(pasteboard) << error.toStdString();
    display->stopServer();
    EXPECT_TRUE(emptyWithin(*pasteboard, 3));
    QElapsedTimer closing;
    closing.start();
    pasteboard.reset();
    EXPECT_LT(closing.elapsed(), 2500);
    display->continueServer();

    pasteboard = X11Pasteboard::open(&error, display->name());
    ASSERT_TRUE(pasteboard) << error.toStdString();
    display->killServer();
    EXPECT_TRUE(emptyWithin(*pasteboard, 3));
    pasteboard->writeText("nowhere to go");
    EXPECT_TRUE(emptyWithin(*pasteboard, 3));
}

// The peak memory of this process, reset first.
qint64 peakKilobytesAfter(const std::function<void()>& work) {
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
    clear.close();
    work();
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

qint64 residentKilobytes() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// A 50 MB text is kept to its first characters and the rest dropped as it arrives: the
// process never holds it.
TEST_F(X11PasteboardTest, AHugeTextIsCutAsItArrives) {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.txt");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray line = QByteArray("0123456789", 10).repeated(100) + "\n";  // 1001 bytes
        for (int i = 0; i < 50 * 1024 * 1024 / line.size(); ++i) file.write(line);
    }
    changes([&] { x().xclipCopiesFile("UTF8_STRING", path); });
    PasteboardContent c;
    const qint64 before = residentKilobytes();
    const qint64 peak = peakKilobytesAfter([&] { c = read(); });
    ASSERT_TRUE(c.text);
    EXPECT_EQ(c.text->size(), 300000);
    EXPECT_TRUE(c.text->startsWith("0123456789"));
    EXPECT_EQ(c.text->at(1000), QChar('\n'));
#ifndef __SANITIZE_ADDRESS__  // the sanitizer keeps freed pieces in quarantine
    EXPECT_LT(peak - before, 30 * 1024) << "peak " << peak << " kB, before " << before << " kB";
#endif
}

// Nothing copied, nothing done: the worker sleeps without waking.
TEST_F(X11PasteboardTest, IdleMeansAsleep) {
    changes([&] { x().copyText("then quiet"); });
    EXPECT_EQ(read().text, QString("then quiet"));
    auto switches = [] {
        qint64 total = 0;
        const QString self = QString::number(getpid());
        for (const QString& task :
             QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (task == self) continue;  // the main thread
            QFile status("/proc/self/task/" + task + "/status");
            status.open(QIODevice::ReadOnly);
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.contains("ctxt_switches:"))
                    total += line.split(':').value(1).trimmed().toLongLong();
        }
        return total;
    };
    const qint64 before = switches();
    QElapsedTimer quiet;
    quiet.start();
    waitUntil([&] { return quiet.elapsed() >= 1500; }, 3);
    EXPECT_EQ(switches(), before);
}

}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
