#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "update/ReleaseFile.h"

using namespace quenda;

// Which release files read: every line of the signed message must stay one line, so nothing
// that reaches it may carry a line break, and every digest is a SHA-256.
TEST(ReleaseFile, ReadsOnlyFilesWhoseSignedMessageIsUnambiguous) {
    const QByteArray digest(64, 'a');
    struct Case {
        const char* name;
        QByteArray json;
        bool reads;
    };
    const Case cases[] = {
        {"a release",
         R"({"version":"1.4.2","build":57,"files":{"bin/quenda":")" + digest +
             R"("},"signature":"AA=="})",
         true},
        {"upper-case digest",
         R"({"version":"1.4.2","build":57,"files":{"bin/quenda":")" + digest.toUpper() +
             R"("},"signature":"AA=="})",
         true},
        {"line break in the version",
         R"({"version":"1.4.2\n57","build":57,"files":{},"signature":"AA=="})", false},
        {"carriage return in the version",
         R"({"version":"1.4.2\r","build":57,"files":{},"signature":"AA=="})", false},
        {"line break in a path",
         R"({"version":"1","build":1,"files":{"bin/a\nb":")" + digest + R"("},"signature":"AA=="})",
         false},
        {"path that climbs out",
         R"({"version":"1","build":1,"files":{"../a":")" + digest + R"("},"signature":"AA=="})",
         false},
        {"short digest", R"({"version":"1","build":1,"files":{"a":"abc"},"signature":"AA=="})",
         false},
        {"fractional build", R"({"version":"1","build":1.5,"files":{},"signature":"AA=="})", false},
        {"not an object", "[]", false},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("release.json"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.json);
        f.close();
        const auto release = ReleaseFile::read(path);
        EXPECT_EQ(release.has_value(), c.reads);
        if (release) {
            EXPECT_EQ(release->signedMessage().count('\n'), qsizetype(3 + release->files.size()));
        }
    }
}
