#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/desktop/LibArchiveUnpacker.h"

namespace quenda {
namespace {

// One entry of an archive a test writes.
struct Entry {
    QByteArray path;
    mode_t type = AE_IFREG;
    QByteArray content;  // a file's bytes, or a link's target
    int perm = 0644;
    qint64 declaredSize = -1;  // when it differs from the content's size
    bool hardLink = false;
};

// Writes a gzip-compressed pax archive with exactly these entries, hostile ones included.
QByteArray tarGz(const std::vector<Entry>& entries) {
    QByteArray bytes(8 << 20, '\0');
    size_t used = 0;
    archive* a = archive_write_new();
    archive_write_set_format_pax_restricted(a);
    archive_write_add_filter_gzip(a);
    archive_write_open_memory(a, bytes.data(), size_t(bytes.size()), &used);
    for (const Entry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.path.constData());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, e.perm);
        if (e.hardLink) {
            archive_entry_set_hardlink(entry, e.content.constData());
        } else if (e.type == AE_IFLNK) {
            archive_entry_set_symlink(entry, e.content.constData());
        }
        if (e.type == AE_IFREG && !e.hardLink)
            archive_entry_set_size(entry, e.declaredSize >= 0 ? e.declaredSize : e.content.size());
        if (e.type == AE_IFCHR) archive_entry_set_rdev(entry, makedev(1, 3));
        archive_write_header(a, entry);
        if (e.type == AE_IFREG && !e.hardLink)
            archive_write_data(a, e.content.data(), size_t(e.content.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    bytes.resize(qsizetype(used));
    return bytes;
}

class LibArchiveUnpackerTest : public ::testing::Test {
  protected:
    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("a%1.tar.gz").arg(++n));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    std::optional<QString> unpack(const QByteArray& bytes, UnpackLimits limits = {}) {
        out = dir.filePath(QStringLiteral("out%1").arg(++n));
        return LibArchiveUnpacker().unpack(write(bytes), out, limits);
    }
    QByteArray read(const QString& rel) const {
        QFile f(QDir(out).filePath(rel));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

    QTemporaryDir dir;
    QString out;
    int n = 0;
};

TEST_F(LibArchiveUnpackerTest, UnpacksAReleasePrefix) {
    const auto refused = unpack(tarGz({
        {"./", AE_IFDIR, {}, 0755},
        {"./bin/", AE_IFDIR, {}, 0755},
        {"./bin/quenda", AE_IFREG, "program", 04755},
        {"share/quenda/strings.json", AE_IFREG, "{}", 0666},
        {"share/doc", AE_IFLNK, "quenda"},
        {"share/quenda/up", AE_IFLNK, "../../bin/quenda"},
    }));
    ASSERT_EQ(refused, std::nullopt) << refused->toStdString();
    EXPECT_EQ(read("bin/quenda"), "program");
    EXPECT_EQ(read("share/quenda/strings.json"), "{}");
    const QFileInfo program(QDir(out).filePath("bin/quenda"));
    EXPECT_TRUE(program.isExecutable());
    struct stat st {};
    ASSERT_EQ(0, ::stat(QFile::encodeName(program.filePath()).constData(), &st));
    EXPECT_EQ(st.st_mode & 07777, 0755u) << "no set-id bit, nothing writable by others";
    ASSERT_EQ(0,
              ::stat(QFile::encodeName(QDir(out).filePath("share/quenda/strings.json")).constData(),
                     &st));
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(QFileInfo(QDir(out).filePath("share/doc")).symLinkTarget(),
              QDir(out).filePath("share/quenda"));
}

TEST_F(LibArchiveUnpackerTest, RefusesHostileArchives) {
    const QByteArray good = tarGz({{"bin/quenda", AE_IFREG, "program"}});
    QByteArray zeros(2 << 20, '\0');
    std::vector<Entry> many;
    for (int i = 0; i < 40; ++i) many.push_back({"f" + QByteArray::number(i), AE_IFREG, "x"});
    struct Case {
        const char* name;
        QByteArray archive;
        UnpackLimits limits;
    };
    const Case cases[] = {
        {"absolute path", tarGz({{"/tmp/quenda-evil", AE_IFREG, "x"}}), {}},
        {"parent folder", tarGz({{"../evil", AE_IFREG, "x"}}), {}},
        {"parent folder inside", tarGz({{"bin/../../evil", AE_IFREG, "x"}}), {}},
        {"link to an absolute place", tarGz({{"bin/quenda", AE_IFLNK, "/bin/sh"}}), {}},
        {"link climbing out", tarGz({{"bin/up", AE_IFLNK, "../../outside"}}), {}},
        {"write through a link",
         tarGz({{"sub", AE_IFDIR, {}, 0755}, {"s", AE_IFLNK, "sub"}, {"s/f", AE_IFREG, "x"}}),
         {}},
        {"hard link", tarGz({{"a", AE_IFREG, "x"}, {"b", AE_IFREG, "a", 0644, -1, true}}), {}},
        {"link out through another link",
         tarGz({{"a/b/c", AE_IFDIR, {}, 0755},
                {"a/b/c/s", AE_IFLNK, "../../.."},
                {"l", AE_IFLNK, "a/b/c/s/../../../outside"}}),
         {}},
        {"link leading nowhere", tarGz({{"bin/gone", AE_IFLNK, "missing"}}), {}},
        {"device", tarGz({{"dev", AE_IFCHR, {}}}), {}},
        {"fifo", tarGz({{"pipe", AE_IFIFO, {}}}), {}},
        {"bomb by size", tarGz({{"zeros", AE_IFREG, zeros}}), {1 << 20, 100}},
        {"bomb by count", tarGz(many), {1 << 20, 30}},
        {"zero bytes", QByteArray(), {}},
        {"truncated", good.left(good.size() / 2), {}},
        {"not an archive", QByteArray("just some text\n"), {}},
        {"empty archive", tarGz({}), {}},
    };
    for (const auto& c : cases) {
        const auto refused = unpack(c.archive, c.limits);
        EXPECT_TRUE(refused) << c.name;
        EXPECT_FALSE(QFileInfo::exists("/tmp/quenda-evil")) << c.name;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("evil"))) << c.name;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("outside"))) << c.name;
    }
}

TEST_F(LibArchiveUnpackerTest, RefusesAnExistingDestination) {
    const QString archive = write(tarGz({{"bin/quenda", AE_IFREG, "program"}}));
    QDir().mkpath(dir.filePath("taken"));
    EXPECT_TRUE(LibArchiveUnpacker().unpack(archive, dir.filePath("taken"), {}));
}

// A disk that fills up: the file size limit makes writes fail as a full disk does.
TEST_F(LibArchiveUnpackerTest, AWriteThatFailsEndsTheUnpacking) {
    const QByteArray archive = tarGz({{"big", AE_IFREG, QByteArray(1 << 20, 'x')}});
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    const QString path = write(archive);
    setrlimit(RLIMIT_FSIZE, &small);
    const auto refused = LibArchiveUnpacker().unpack(path, dir.filePath("full"), {});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(refused);
}

}  // namespace
}  // namespace quenda
