#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/RegularFile.h"

using namespace quenda;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace

// The limit bounds what is read, never what is asked of memory: a small file under a limit
// far beyond any memory reads as it is, and a file one byte over its limit is too large.
TEST(RegularFile, ReadsWhatTheFileHoldsWhateverTheLimit) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.json"));
    const QByteArray content = QByteArray("[1,2,3]").repeated(1000);
    write(path, content);

    struct Case {
        const char* name;
        qint64 limit;
        RegularFileRead::Status status;
    };
    const Case cases[] = {
        {"a terabyte", qint64(1) << 40, RegularFileRead::Status::Read},
        {"half a gigabyte", qint64(512) << 20, RegularFileRead::Status::Read},
        {"exactly the size", content.size(), RegularFileRead::Status::Read},
        {"one byte short", content.size() - 1, RegularFileRead::Status::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RegularFileRead read = readRegularFileChecked(path, c.limit);
        EXPECT_EQ(read.status, c.status);
        if (c.status == RegularFileRead::Status::Read) EXPECT_EQ(read.contents, content);
    }

    write(dir.filePath(QStringLiteral("empty")), {});
    const RegularFileRead empty =
        readRegularFileChecked(dir.filePath(QStringLiteral("empty")), qint64(1) << 40);
    EXPECT_EQ(empty.status, RegularFileRead::Status::Read);
    EXPECT_TRUE(empty.contents.isEmpty());

    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))).constData(), 0600),
              0);
    EXPECT_EQ(readRegularFileChecked(dir.filePath(QStringLiteral("pipe")), 100).status,
              RegularFileRead::Status::NotRegular);
}
