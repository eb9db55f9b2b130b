// Texts turned into Markdown files: the name made of the first line and the time, the
// content, two texts of the same title within a second, and a folder that cannot be written.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "bridge/TextFiles.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

struct TempFolders : UserFolders {
    QTemporaryDir dir;
    QString applicationSupport() override { return dir.path(); }
};

TEST(TextFilesName, KeepsLettersDigitsDashesAndSpacesOfTheFirstLine) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Plan de migración: fase 1\nresto", "Plan-de-migración-fase-1"},
        {"\n\n  hola mundo  \nsegunda línea", "hola-mundo"},
        {"¡¿...?!, ;: ()[]{}", "texto"},
        {"", "texto"},
        {"\n\n\n", "texto"},
        {"a/b\\c:d*e?f\"g<h>i|j", "abcdefghij"},
        {"snake_case y guiones-medios", "snake_case-y-guiones-medios"},
        {"año 2026 — Ωμέγα 日本語 ٣", "año-2026--Ωμέγα-日本語-٣"},
        {"tab\there", "tabhere"},
        {"windows line\r\nnext", "windows-line"},
        // A line of spaces is not empty: it is the title line, and nothing is left of it.
        {"   \nreal title", "texto"},
        {"emoji 🎉 party", "emoji--party"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextFiles::baseName(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected));
    }
}

// The first 40 characters are taken before filtering; a letter with a combining accent is
// one character.
TEST(TextFilesName, TakesTheFirstFortyCharactersBeforeFiltering) {
    const QString sixty = QString("abcdefghij").repeated(6);
    EXPECT_EQ(TextFiles::baseName(sixty), sixty.left(40));
    EXPECT_EQ(TextFiles::baseName(QString("!").repeated(40) + "after"), QStringLiteral("texto"));
    EXPECT_EQ(TextFiles::baseName(QString("a b ").repeated(15)),
              QString("a-b-").repeated(9) + "a-b");
    const QString decomposed = QString("e\u0301").repeated(45);  // é as e + accent
    EXPECT_EQ(TextFiles::baseName(decomposed), QString("e\u0301").repeated(40));
}

class TextFilesTest : public ::testing::Test {
  protected:
    QString folder() const { return QDir(folders.dir.path()).filePath("Quenda/archivos"); }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TempFolders folders;
    AppPaths paths{folders};
    SimHud hud;
    L10n l10n = L10n::builtIn();
    QDateTime time{QDate(2026, 3, 5), QTime(14, 7, 9)};
    TextFiles files{paths, hud, l10n, [this] { return time; }};
};

TEST_F(TextFilesTest, WritesTheWholeTextUnderItsTitleAndTime) {
    const QString text = QStringLiteral("Plan de migración: fase 1\n\n- paso uno\n- paso dos ✓\n");
    const auto path = files.write(text);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, QDir(folder()).filePath("Plan-de-migración-fase-1-20260305-140709.md"));
    EXPECT_EQ(contents(*path), text.toUtf8());
    // Copied texts may be private: the file is the user's alone.
    EXPECT_EQ(QFileInfo(*path).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_TRUE(hud.messages.empty());
    // Nothing else left behind (no temporary file).
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"Plan-de-migración-fase-1-20260305-140709.md"});
}

TEST_F(TextFilesTest, TheSameTitleWithinTheSameSecondKeepsBothFiles) {
    const auto first = files.write("informe\nuno");
    const auto second = files.write("informe\ndos");
    const auto third = files.write("informe\ntres");
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(QFileInfo(*first).fileName(), QStringLiteral("informe-20260305-140709.md"));
    EXPECT_EQ(QFileInfo(*second).fileName(), QStringLiteral("informe-20260305-140709-2.md"));
    EXPECT_EQ(QFileInfo(*third).fileName(), QStringLiteral("informe-20260305-140709-3.md"));
    EXPECT_EQ(contents(*first), QByteArray("informe\nuno"));
    EXPECT_EQ(contents(*second), QByteArray("informe\ndos"));
    EXPECT_EQ(contents(*third), QByteArray("informe\ntres"));
    // A second later the plain name is free again.
    time = time.addSecs(1);
    const auto later = files.write("informe\ncuatro");
    ASSERT_TRUE(later);
    EXPECT_EQ(QFileInfo(*later).fileName(), QStringLiteral("informe-20260305-140710.md"));
}

TEST_F(TextFilesTest, AFolderThatCannotBeWrittenTellsTheUserWhy) {
    // A file where the folder should be: the folder cannot be made, nor written into.
    ASSERT_TRUE(QDir().mkpath(QDir(folders.dir.path()).filePath("Quenda")));
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(files.write("hola"), std::nullopt);
    ASSERT_EQ(hud.messages.size(), 1u);
    EXPECT_TRUE(hud.last().startsWith(QStringLiteral("No pude crear el archivo: ")))
        << hud.last().toStdString();
    EXPECT_GT(hud.last().size(), QStringLiteral("No pude crear el archivo: ").size());
    EXPECT_EQ(hud.messages[0].duration, 1.6);
    EXPECT_EQ(contents(folder()), QByteArray());  // the blocker is untouched
}

TEST_F(TextFilesTest, TheFolderComesBackWhenRemoved) {
    ASSERT_TRUE(files.write("uno"));
    ASSERT_TRUE(QDir(folder()).removeRecursively());
    const auto path = files.write("dos");
    ASSERT_TRUE(path);
    EXPECT_EQ(contents(*path), QByteArray("dos"));
}

}  // namespace
}  // namespace quenda
