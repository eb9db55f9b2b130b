#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "platform/x11/clipboard/ClipboardFormats.h"

namespace quenda::x11::clipboard {
namespace {

using Files = std::vector<QString>;

TEST(ClipboardFormats, TransportTargetsAreNotCopies) {
    for (const char* name : {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE",
                             "INSERT_SELECTION", "INSERT_PROPERTY"})
        EXPECT_TRUE(isTransportTarget(name)) << name;
    for (const char* name :
         {"UTF8_STRING", "STRING", "text/uri-list", "image/png", "x-kde-passwordManagerHint"})
        EXPECT_FALSE(isTransportTarget(name)) << name;
}

TEST(ClipboardFormats, UriListsGiveLocalPathsInOrder) {
    const struct {
        const char* body;
        Files files;
    } cases[] = {
        {"file:///tmp/b%20c.txt\r\nfile:///tmp/a\r\n", {"/tmp/b c.txt", "/tmp/a"}},
        {"file:///tmp/a\nfile:///tmp/b", {"/tmp/a", "/tmp/b"}},  // LF, no final line end
        {"# a comment\r\nfile://localhost/etc/hosts\r\n", {"/etc/hosts"}},
        {"file:///tmp/%C3%A9t%C3%A9\r\n", {QString::fromUtf8("/tmp/été")}},
        // Not local, not a file, not UTF-8 once decoded, a NUL: skipped, the rest kept.
        {"http://example.org/x\r\nfile:///tmp/ok\r\n", {"/tmp/ok"}},
        {"file://otherhost/tmp/x\r\nfile:///tmp/ok\r\n", {"/tmp/ok"}},
        {"file:///tmp/%FF%FE\r\nfile:///tmp/ok\r\n", {"/tmp/ok"}},
        {"file:///tmp/a%00b\r\n/tmp/raw\r\n", {}},
        {"file:///tmp/q?x=1#frag\r\n", {"/tmp/q"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(filesFromUriList(c.body), c.files) << c.body;
}

TEST(ClipboardFormats, GnomeCopiedFiles) {
    EXPECT_EQ(filesFromGnomeCopiedFiles("copy\nfile:///tmp/a%20b\nfile:///tmp/c"),
              (Files{"/tmp/a b", "/tmp/c"}));
    EXPECT_EQ(filesFromGnomeCopiedFiles("cut\nfile:///tmp/a\n"), (Files{"/tmp/a"}));
    EXPECT_EQ(filesFromGnomeCopiedFiles("file:///tmp/a\n"), Files{});
    EXPECT_EQ(filesFromGnomeCopiedFiles(""), Files{});
}

TEST(ClipboardFormats, WrittenFileListsReadBack) {
    const Files paths = {"/tmp/b c.txt", QString::fromUtf8("/tmp/ñ/#1%.txt"), "/tmp/plain"};
    EXPECT_EQ(uriList({"/tmp/b c.txt"}), QByteArray("file:///tmp/b%20c.txt\r\n"));
    EXPECT_EQ(gnomeCopiedFiles({"/tmp/a", "/tmp/b"}),
              QByteArray("copy\nfile:///tmp/a\nfile:///tmp/b"));
    EXPECT_EQ(filesFromUriList(uriList(paths)), paths);
    EXPECT_EQ(filesFromGnomeCopiedFiles(gnomeCopiedFiles(paths)), paths);
}

TEST(ClipboardFormats, TextIsCutAsItArrives) {
    TextCollector text(TextCollector::Encoding::Utf8, 5);
    const QByteArray utf8 = QString::fromUtf8("héllo wörld").toUtf8();
    // Fed a byte at a time: characters split across pieces still decode.
    for (char c : utf8) text.append(&c, 1);
    EXPECT_FALSE(text.blank());
    EXPECT_TRUE(text.full());
    EXPECT_EQ(text.take(), QString::fromUtf8("héllo"));

    TextCollector latin1(TextCollector::Encoding::Latin1, 100);
    latin1.append("caf\xe9", 4);
    EXPECT_EQ(latin1.take(), QString::fromUtf8("café"));

    // Blank as far as it is kept, but not blank as a whole: still a text.
    TextCollector spaces(TextCollector::Encoding::Utf8, 3);
    spaces.append("     ", 5);
    EXPECT_TRUE(spaces.blank());
    EXPECT_FALSE(spaces.full());  // the rest still decides whether it is blank
    spaces.append(" x", 2);
    EXPECT_FALSE(spaces.blank());
    EXPECT_EQ(spaces.take(), "   ");

    // Never half of a surrogate pair.
    TextCollector emoji(TextCollector::Encoding::Utf8, 2);
    const QByteArray e = QString::fromUtf8("a😀b").toUtf8();
    emoji.append(e.constData(), size_t(e.size()));
    EXPECT_EQ(emoji.take(), "a");

    // A text cut short inside a character ends in replacement characters, as it does when
    // decoded in one piece, and spaces before them do not make it blank.
    struct Cut {
        QByteArray bytes;
        QString text;
    };
    const Cut cuts[] = {
        {" \t\r  \xe2\xa0", QStringLiteral(" \t\r  \uFFFD\uFFFD")},
        {"ab\xf0\x9f\x98", QStringLiteral("ab\uFFFD\uFFFD\uFFFD")},
        {"ab\xc3", QStringLiteral("ab\uFFFD")},
        {"ab\xc3\xb1", QString::fromUtf8("abñ")},
        // Broken inside, with the byte after it in the next piece: that byte is kept.
        {"a\xe2 b", QStringLiteral("a\uFFFD b")},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.bytes.toHex().constData());
        TextCollector text(TextCollector::Encoding::Utf8, 100);
        for (char c : cut.bytes) text.append(&c, 1);
        text.finish();
        EXPECT_FALSE(text.blank());
        EXPECT_EQ(text.take(), cut.text);
        EXPECT_EQ(cut.text, QString::fromUtf8(cut.bytes));
    }
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

TEST(ClipboardFormats, ImagesBecomePng) {
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QByteArray png = encoded(image, "PNG");
    EXPECT_EQ(pngFromPng(png), png);  // as it is
    // Cut short, or no image at all: nothing.
    EXPECT_EQ(pngFromPng(png.left(png.size() - 5)), std::nullopt);
    EXPECT_EQ(pngFromPng("hello, not an image"), std::nullopt);
    EXPECT_EQ(pngFromPng(QByteArray()), std::nullopt);

    const auto fromBmp = pngFromImage(encoded(image, "BMP"));
    ASSERT_TRUE(fromBmp);
    const QImage back = QImage::fromData(*fromBmp, "PNG");
    EXPECT_EQ(back.size(), image.size());
    EXPECT_EQ(back.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(pngFromImage("GIF89a garbage"), std::nullopt);

    EXPECT_TRUE(isConvertibleImageType("image/bmp"));
    EXPECT_FALSE(isConvertibleImageType("image/png"));  // taken as it is
    EXPECT_FALSE(isConvertibleImageType("text/plain"));
    EXPECT_FALSE(isConvertibleImageType("image/x-no-such-format"));
}

}  // namespace
}  // namespace quenda::x11::clipboard
