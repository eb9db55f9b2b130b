#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QTemporaryDir>

#include "platform/sim/SimHud.h"
#include "update/UpdateCallers.h"
#include "update/UpdateCard.h"
#include "update/UpdateManager.h"
#include "update/tests/UpdateTestSupport.h"

namespace quenda {
namespace {

const QString kFeed = "https://quenda.moorlake.com/api/updates/latest.json";
const QString kArchiveUrl = "https://quenda.moorlake.com/releases/quenda-0.2.0.tar.gz";

// An installation in a temporary folder running 0.1.0 build 1 from versions/0.1.0-1, with a
// newer release 0.2.0 build 2 on the feed.
class UpdateManagerTest : public ::testing::Test {
  public:
    void SetUp() override {
        keys = ed25519::generateKeyPair();
        root = dir.filePath("Quenda");
        QDir(root).removeRecursively();
        http = test::FakeHttp{};
        unpacker = test::FakeUnpacker{};
        writeFile(root + "/versions/0.1.0-1/bin/quenda", "old program");
        ASSERT_EQ(0, ::symlink("versions/0.1.0-1", (root + "/current").toLocal8Bit().data()));
        archive = "the release archive";
        unpacker.tree = test::signedRelease(
            {{"bin/quenda", "new program"}, {"share/quenda/strings.json", "{}"}}, "0.2.0", 2,
            keys.privateKey);
        manifest.version = "0.2.0";
        manifest.build = 2;
        manifest.dmgUrl = kArchiveUrl;
        manifest.sha256 = digest(archive);
        test::signManifest(manifest, keys.privateKey);
        publish();
    }

    static void writeFile(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    static QString digest(const QByteArray& bytes) {
        return QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
    void publish() {
        HttpResponse r;
        r.outcome.isHttp = true;
        r.outcome.status = 200;
        r.body = test::manifestJson(manifest);
        http.responses[kFeed] = r;
        http.files[kArchiveUrl] = archive;
    }

    std::unique_ptr<UpdateManager> manager(QString executable = {}) {
        UpdateManager::Config c;
        c.feed = QUrl(kFeed);
        c.publicKeyBase64 = test::base64(keys.publicKey);
        c.running = {"0.1.0", 1};
        c.installRoot = root;
        c.executable = executable.isEmpty() ? root + "/current/bin/quenda" : executable;
        return std::make_unique<UpdateManager>(
            UpdateManager::Services{http, worker, unpacker, l10n}, c);
    }

    UpdateManager::CheckResult check(UpdateManager& m) {
        std::optional<UpdateManager::CheckResult> result;
        m.check([&](UpdateManager::CheckResult r) { result = std::move(r); });
        EXPECT_TRUE(result);
        return result.value_or(UpdateManager::UpToDate{});
    }
    std::optional<UpdateError> install(UpdateManager& m, const Manifest& which) {
        bool called = false;
        std::optional<UpdateError> error;
        m.downloadAndInstall(which, [&](std::optional<UpdateError> e) {
            called = true;
            error = std::move(e);
        });
        EXPECT_TRUE(called);
        return error;
    }
    QString currentTarget() const {
        return QFileInfo(root + "/current").symLinkTarget().section('/', -1);
    }
    QString currentProgram() const {
        QFile f(root + "/current/bin/quenda");
        f.open(QIODevice::ReadOnly);
        return QString::fromLatin1(f.readAll());
    }
    bool stagingEmpty() const {
        return QDir(root + "/staging").isEmpty() || !QFileInfo::exists(root + "/staging");
    }

    QTemporaryDir dir;
    QString root;
    ed25519::KeyPair keys;
    QByteArray archive;
    Manifest manifest;
    test::FakeHttp http;
    test::FakeUnpacker unpacker;
    InlineWorker worker;
    L10n l10n = test::testL10n();
};

TEST_F(UpdateManagerTest, CheckFindsTheNewerSignedRelease) {
    auto m = manager();
    const auto r = check(*m);
    ASSERT_TRUE(std::holds_alternative<Manifest>(r));
    EXPECT_EQ(std::get<Manifest>(r).version, "0.2.0");
    EXPECT_EQ(http.requested, std::vector<QString>{kFeed});
}

TEST_F(UpdateManagerTest, CheckAnswersUpToDateForTheSameOrAnOlderRelease) {
    for (const auto& [version, build] : {std::pair{"0.1.0", 1}, std::pair{"0.0.9", 9}}) {
        manifest.version = version;
        manifest.build = build;
        test::signManifest(manifest, keys.privateKey);
        publish();
        auto m = manager();
        EXPECT_TRUE(std::holds_alternative<UpdateManager::UpToDate>(check(*m))) << version;
    }
}

TEST_F(UpdateManagerTest, CheckReportsEachFailureOfTheFeed) {
    struct Case {
        const char* name;
        std::function<void(HttpResponse&)> answer;
        QString domain;
        int code;
        QString description;
    };
    const QString feedText = "Feed de actualizaciones no disponible";
    const Case cases[] = {
        {"404", [](HttpResponse& r) { r.outcome.status = 404; }, UpdateError::kDomain, 404,
         feedText},
        {"empty body", [](HttpResponse& r) { r.body.clear(); }, UpdateError::kDomain, 200,
         feedText},
        {"not http", [](HttpResponse& r) { r.outcome.isHttp = false; }, UpdateError::kDomain, 0,
         feedText},
        {"transport",
         [](HttpResponse& r) {
             r.outcome.error = HttpOutcome::TransportError{4, "timed out"};
         },
         "network", 4, "timed out"},
        {"not json", [](HttpResponse& r) { r.body = "<html>"; }, "json", 0,
         "Manifiesto de actualizaciones ilegible"},
        {"bad signature", [](HttpResponse& r) { r.body.replace("\"build\":2", "\"build\":3"); },
         UpdateError::kDomain, 1, "Firma Ed25519 del manifiesto inválida"},
    };
    for (const auto& c : cases) {
        publish();
        c.answer(http.responses[kFeed]);
        auto m = manager();
        const auto r = check(*m);
        ASSERT_TRUE(std::holds_alternative<UpdateError>(r)) << c.name;
        const auto& e = std::get<UpdateError>(r);
        EXPECT_EQ(e.domain, c.domain) << c.name;
        EXPECT_EQ(e.code, c.code) << c.name;
        EXPECT_EQ(e.description, c.description) << c.name;
    }
}

TEST_F(UpdateManagerTest, InstallSwitchesCurrentAndKeepsThePreviousRelease) {
    auto m = manager();
    ASSERT_TRUE(m->installsItself());
    EXPECT_EQ(install(*m, manifest), std::nullopt);
    EXPECT_EQ(currentTarget(), "0.2.0-2");
    EXPECT_EQ(currentProgram(), "new program");
    EXPECT_TRUE(QFileInfo::exists(root + "/versions/0.1.0-1/bin/quenda"));
    EXPECT_TRUE(stagingEmpty());
    EXPECT_FALSE(m->installing());

    // A second update keeps the new release and the one it replaces, and drops the oldest.
    manifest.version = "0.3.0";
    manifest.build = 3;
    test::signManifest(manifest, keys.privateKey);
    unpacker.tree = test::signedRelease({{"bin/quenda", "newest"}}, "0.3.0", 3, keys.privateKey);
    auto second = manager(root + "/versions/0.2.0-2/bin/quenda");
    UpdateManager::Config c = second->config();
    c.running = {"0.2.0", 2};
    second =
        std::make_unique<UpdateManager>(UpdateManager::Services{http, worker, unpacker, l10n}, c);
    EXPECT_EQ(install(*second, manifest), std::nullopt);
    EXPECT_EQ(currentTarget(), "0.3.0-3");
    EXPECT_EQ(QDir(root + "/versions").entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{"0.2.0-2", "0.3.0-3"}));
}

// A copy that has not restarted since an earlier update runs an older release than `current`
// names: an older signed release, newer only than the running one, is never installed over
// it, and the check does not offer it.
TEST_F(UpdateManagerTest, NeverBelowTheReleaseCurrentNames) {
    writeFile(root + "/versions/0.3.0-3/bin/quenda", "installed meanwhile");
    ASSERT_EQ(0, ::unlink((root + "/current").toLocal8Bit().data()));
    ASSERT_EQ(0, ::symlink("versions/0.3.0-3", (root + "/current").toLocal8Bit().data()));
    auto m = manager(root + "/versions/0.1.0-1/bin/quenda");  // still running 0.1.0
    EXPECT_TRUE(std::holds_alternative<UpdateManager::UpToDate>(check(*m)));
    const auto error = install(*m, manifest);  // 0.2.0-2, signed
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, UpdateError::notNewer);
    EXPECT_EQ(currentTarget(), "0.3.0-3");
    EXPECT_EQ(currentProgram(), "installed meanwhile");
}

// A feed named by the environment is still read over https only.
TEST_F(UpdateManagerTest, AFeedThatIsNotHttpsIsNotRead) {
    auto m = manager();
    UpdateManager::Config c = m->config();
    c.feed = QUrl("http://quenda.moorlake.com/api/updates/latest.json");
    m = std::make_unique<UpdateManager>(UpdateManager::Services{http, worker, unpacker, l10n}, c);
    const auto result = check(*m);
    ASSERT_TRUE(std::holds_alternative<UpdateError>(result));
    EXPECT_EQ(std::get<UpdateError>(result).code, UpdateError::unofficialUrl);
}

TEST_F(UpdateManagerTest, EveryFailedCheckLeavesTheInstalledCopyAlone) {
    struct Case {
        const char* name;
        std::function<void(UpdateManagerTest&)> arrange;
        int code;
        bool downloads;
    };
    const Case cases[] = {
        {"unofficial host",
         [](UpdateManagerTest& t) {
             t.manifest.dmgUrl = "https://evil.example/quenda.tar.gz";
             test::signManifest(t.manifest, t.keys.privateKey);
         },
         UpdateError::unofficialUrl, false},
        {"plain http",
         [](UpdateManagerTest& t) {
             t.manifest.dmgUrl = "http://quenda.moorlake.com/releases/quenda-0.2.0.tar.gz";
             test::signManifest(t.manifest, t.keys.privateKey);
         },
         UpdateError::unofficialUrl, false},
        {"older signed manifest",
         [](UpdateManagerTest& t) {
             t.manifest.version = "0.0.1";
             test::signManifest(t.manifest, t.keys.privateKey);
         },
         UpdateError::notNewer, false},
        {"unsigned manifest", [](UpdateManagerTest& t) { t.manifest.build = 5; },
         UpdateError::badManifestSignature, false},
        {"version that is no folder name",
         [](UpdateManagerTest& t) {
             t.manifest.version = "1.0/../x";
             test::signManifest(t.manifest, t.keys.privateKey);
         },
         UpdateError::installFailed, false},
        {"wrong digest",
         [](UpdateManagerTest& t) { t.http.files[kArchiveUrl] = "tampered archive"; },
         UpdateError::digestMismatch, true},
        {"empty download", [](UpdateManagerTest& t) { t.http.files[kArchiveUrl] = ""; },
         UpdateError::emptyDownload, true},
        {"refused archive", [](UpdateManagerTest& t) { t.unpacker.refusal = "../escape"; },
         UpdateError::unpackFailed, true},
        {"no program",
         [](UpdateManagerTest& t) {
             t.unpacker.tree =
                 test::signedRelease({{"bin/other", "x"}}, "0.2.0", 2, t.keys.privateKey);
         },
         UpdateError::programMissing, true},
        {"no release file", [](UpdateManagerTest& t) { t.unpacker.tree.erase(ReleaseFile::kPath); },
         UpdateError::releaseFileUnreadable, true},
        {"garbage release file",
         [](UpdateManagerTest& t) { t.unpacker.tree[ReleaseFile::kPath] = "garbage"; },
         UpdateError::releaseFileUnreadable, true},
        {"release file of another version",
         [](UpdateManagerTest& t) {
             t.unpacker.tree =
                 test::signedRelease({{"bin/quenda", "x"}}, "0.1.9", 2, t.keys.privateKey);
         },
         UpdateError::releaseFileMismatch, true},
        {"release signed by another key",
         [](UpdateManagerTest& t) {
             t.unpacker.tree = test::signedRelease({{"bin/quenda", "x"}}, "0.2.0", 2,
                                                   ed25519::generateKeyPair().privateKey);
         },
         UpdateError::releaseFileInvalid, true},
        {"file changed after signing",
         [](UpdateManagerTest& t) { t.unpacker.tree["bin/quenda"] = "evil program"; },
         UpdateError::releaseFileInvalid, true},
        {"file added after signing",
         [](UpdateManagerTest& t) { t.unpacker.tree["bin/extra"] = "evil"; },
         UpdateError::releaseFileInvalid, true},
        {"signed file left out",
         [](UpdateManagerTest& t) { t.unpacker.tree.erase("share/quenda/strings.json"); },
         UpdateError::releaseFileInvalid, true},
    };
    for (const auto& c : cases) {
        SetUp();
        c.arrange(*this);
        http.requested.clear();
        auto m = manager();
        const auto error = install(*m, manifest);
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->domain, UpdateError::kDomain) << c.name;
        EXPECT_EQ(error->code, c.code) << c.name;
        EXPECT_EQ(error->description, l10n.t(UpdateError::key(UpdateError::Code(c.code))))
            << c.name;
        EXPECT_EQ(http.requested.size(), c.downloads ? 1u : 0u) << c.name;
        EXPECT_EQ(currentTarget(), "0.1.0-1") << c.name;
        EXPECT_EQ(currentProgram(), "old program") << c.name;
        EXPECT_EQ(QDir(root + "/versions").entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                  QStringList{"0.1.0-1"})
            << c.name;
        EXPECT_TRUE(stagingEmpty()) << c.name;
        EXPECT_FALSE(m->installing()) << c.name;
    }
}

TEST_F(UpdateManagerTest, ADownloadThatFailsPassesTheNetworkErrorOn) {
    http.failures[kArchiveUrl] = {5, "Operation canceled"};
    auto m = manager();
    const auto error = install(*m, manifest);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "network");
    EXPECT_EQ(error->description, "Operation canceled");
    EXPECT_EQ(currentTarget(), "0.1.0-1");
    EXPECT_TRUE(stagingEmpty());
}

TEST_F(UpdateManagerTest, ACopyInstalledElsewhereChecksButNeverInstalls) {
    writeFile(dir.filePath("usr/bin/quenda"), "packaged");
    auto m = manager(dir.filePath("usr/bin/quenda"));
    EXPECT_FALSE(m->installsItself());
    EXPECT_TRUE(std::holds_alternative<Manifest>(check(*m)));
    const auto error = install(*m, manifest);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, UpdateError::managedElsewhere);
    EXPECT_EQ(unpacker.calls, 0);
    EXPECT_EQ(currentTarget(), "0.1.0-1");
}

TEST_F(UpdateManagerTest, OneInstallAtATime) {
    http.holdDownloads = true;
    auto m = manager();
    auto other = manager();  // as another process would be: its own lock file handle
    std::optional<UpdateError> first;
    bool firstDone = false;
    m->downloadAndInstall(manifest, [&](std::optional<UpdateError> e) {
        firstDone = true;
        first = e;
    });
    EXPECT_TRUE(m->installing());
    for (UpdateManager* second : {m.get(), other.get()}) {
        const auto error = install(*second, manifest);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, UpdateError::installRunning);
    }
    ASSERT_EQ(http.held.size(), 1u);
    http.held.front()();
    EXPECT_TRUE(firstDone);
    EXPECT_EQ(first, std::nullopt);
    EXPECT_EQ(currentTarget(), "0.2.0-2");
}

TEST_F(UpdateManagerTest, LeftoversOfAnInterruptedInstallAreReplaced) {
    // What a killed install leaves: a staging folder, a half-made link, and even the new
    // version's folder moved in but not yet current.
    writeFile(root + "/staging/dead/tree/bin/quenda", "half");
    ASSERT_EQ(0, ::symlink("versions/nothing", (root + "/current.new").toLocal8Bit().data()));
    writeFile(root + "/versions/0.2.0-2/bin/quenda", "half-written");
    auto m = manager();
    EXPECT_EQ(install(*m, manifest), std::nullopt);
    EXPECT_EQ(currentTarget(), "0.2.0-2");
    EXPECT_EQ(currentProgram(), "new program");
    EXPECT_FALSE(QFileInfo(root + "/current.new").isSymLink());
    EXPECT_TRUE(stagingEmpty());
}

// What the three callers tell the user.
class UpdateCallersTest : public UpdateManagerTest {
  protected:
    using Msg = SimHud::Message;
    SimHud hud;
};

TEST_F(UpdateCallersTest, SilentCheckMentionsOnlyANewerRelease) {
    auto m = manager();
    silentUpdateCheck(*m, hud, l10n);
    EXPECT_EQ(hud.messages, (std::vector<Msg>{{"Hay una versión nueva: 0.2.0 (build 2)", 3.0}}));
    EXPECT_EQ(currentTarget(), "0.1.0-1");

    hud.messages.clear();
    http.responses[kFeed].outcome.status = 500;
    silentUpdateCheck(*m, hud, l10n);
    manifest.version = "0.1.0";
    manifest.build = 1;
    test::signManifest(manifest, keys.privateKey);
    publish();
    silentUpdateCheck(*m, hud, l10n);
    EXPECT_TRUE(hud.messages.empty());
}

TEST_F(UpdateCallersTest, MenuCheckInstallsANewerReleaseAtOnce) {
    auto m = manager();
    menuUpdateCheck(*m, hud, l10n);
    EXPECT_EQ(
        hud.messages,
        (std::vector<Msg>{{"Hay una versión nueva: 0.2.0 (build 2)", 3.0},
                          {"Actualización instalada: reinicia Quenda para estrenarla", 3.5}}));
    EXPECT_EQ(currentTarget(), "0.2.0-2");
}

TEST_F(UpdateCallersTest, MenuCheckReportsEveryOtherAnswer) {
    http.files[kArchiveUrl] = "tampered";
    auto m = manager();
    menuUpdateCheck(*m, hud, l10n);
    EXPECT_EQ(hud.messages, (std::vector<Msg>{{"Hay una versión nueva: 0.2.0 (build 2)", 3.0},
                                              {"SHA-256 del DMG no coincide", 3.5}}));

    hud.messages.clear();
    http.responses.clear();
    menuUpdateCheck(*m, hud, l10n);
    EXPECT_EQ(hud.messages, (std::vector<Msg>{{"Feed de actualizaciones no disponible", 3.0}}));

    hud.messages.clear();
    manifest.version = "0.1.0";
    manifest.build = 1;
    test::signManifest(manifest, keys.privateKey);
    publish();
    menuUpdateCheck(*m, hud, l10n);
    EXPECT_EQ(hud.messages, (std::vector<Msg>{{"Ya tienes la última versión", 2.0}}));
}

TEST_F(UpdateCallersTest, MenuCheckOfACopyInstalledElsewhereSaysWhoUpdatesIt) {
    writeFile(dir.filePath("build/quenda"), "built here");
    auto m = manager(dir.filePath("build/quenda"));
    menuUpdateCheck(*m, hud, l10n);
    ASSERT_EQ(hud.messages.size(), 1u);
    EXPECT_EQ(hud.messages[0].text,
              "Hay una versión nueva: 0.2.0 (build 2). Esta copia de Quenda la actualiza quien "
              "la instaló");
    EXPECT_EQ(unpacker.calls, 0);
}

TEST_F(UpdateCallersTest, CommandLinePrintsWhatTheMessagesSayAndFailsOnErrors) {
    struct Case {
        const char* name;
        QStringList args;
        std::function<void(UpdateCallersTest&)> arrange;
        int status;
        QString out;
        QString errStart;
        QString target;
    };
    const Case cases[] = {
        {"check",
         {"check"},
         [](UpdateCallersTest&) {},
         0,
         "Hay una versión nueva: 0.2.0 (build 2)\n",
         "",
         "0.1.0-1"},
        {"install",
         {"install"},
         [](UpdateCallersTest&) {},
         0,
         "Hay una versión nueva: 0.2.0 (build 2)\n"
         "Actualización instalada: reinicia Quenda para estrenarla\n",
         "",
         "0.2.0-2"},
        {"feed missing",
         {"install"},
         [](UpdateCallersTest& t) { t.http.responses.clear(); },
         1,
         "",
         "quenda: Feed de actualizaciones no disponible",
         "0.1.0-1"},
        {"bad digest",
         {"install"},
         [](UpdateCallersTest& t) { t.http.files[kArchiveUrl] = "x"; },
         1,
         "Hay una versión nueva: 0.2.0 (build 2)\n",
         "quenda: SHA-256 del DMG no coincide",
         "0.1.0-1"},
        {"no subcommand", {}, [](UpdateCallersTest&) {}, 2, "", "usage: quenda update", "0.1.0-1"},
        {"unknown subcommand",
         {"now"},
         [](UpdateCallersTest&) {},
         2,
         "",
         "usage: quenda update",
         "0.1.0-1"},
    };
    for (const auto& c : cases) {
        SetUp();
        c.arrange(*this);
        auto m = manager();
        QString out, err;
        QTextStream o(&out), e(&err);
        std::optional<int> status;
        runUpdateCommand(c.args, *m, l10n, o, e, [&](int s) { status = s; });
        o.flush();
        e.flush();
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(out, c.out) << c.name;
        EXPECT_TRUE(c.errStart.isEmpty() ? err.isEmpty() : err.startsWith(c.errStart))
            << c.name << ": " << err.toStdString();
        EXPECT_EQ(currentTarget(), c.target) << c.name;
    }
}

TEST_F(UpdateCallersTest, DashboardCardChecksThenOffersTheInstall) {
    auto m = manager();
    UpdateCard card(*m, l10n);
    std::vector<QString> seen;
    card.onChange([&] { seen.push_back(card.status()); });
    EXPECT_EQ(card.title(), "Actualizaciones y diagnóstico");
    EXPECT_FALSE(card.canInstall());

    card.check();
    EXPECT_EQ(seen, (std::vector<QString>{"Buscando actualizaciones…",
                                          "Hay una versión nueva: 0.2.0 (build 2)"}));
    EXPECT_TRUE(card.canInstall());
    EXPECT_EQ(card.installButtonTitle(), "Instalar ahora");
    EXPECT_EQ(currentTarget(), "0.1.0-1") << "a check never installs";

    http.holdDownloads = true;
    seen.clear();
    card.install();
    EXPECT_EQ(card.status(), "Descargando e instalando…");
    EXPECT_TRUE(card.busy());
    EXPECT_FALSE(card.canInstall());
    card.install();  // a second press while it runs does nothing
    ASSERT_EQ(http.held.size(), 1u);
    http.held.front()();
    EXPECT_EQ(seen,
              (std::vector<QString>{"Descargando e instalando…",
                                    "Actualización instalada: reinicia Quenda para estrenarla"}));
    EXPECT_FALSE(card.canInstall());
    EXPECT_EQ(currentTarget(), "0.2.0-2");
}

TEST_F(UpdateCallersTest, DashboardCardShowsErrorsAndKeepsTheOfferAfterAFailedInstall) {
    auto m = manager();
    UpdateCard card(*m, l10n);
    http.files[kArchiveUrl] = "tampered";
    card.check();
    card.install();
    EXPECT_EQ(card.status(), "SHA-256 del DMG no coincide");
    EXPECT_TRUE(card.canInstall()) << "it may be tried again";

    http.responses.clear();
    card.check();
    EXPECT_EQ(card.status(), "Feed de actualizaciones no disponible");
    EXPECT_FALSE(card.canInstall());

    writeFile(dir.filePath("usr/bin/quenda"), "packaged");
    publish();
    auto elsewhere = manager(dir.filePath("usr/bin/quenda"));
    UpdateCard other(*elsewhere, l10n);
    other.check();
    EXPECT_TRUE(other.status().endsWith("Esta copia de Quenda la actualiza quien la instaló"));
    EXPECT_FALSE(other.canInstall());
}

}  // namespace
}  // namespace quenda
