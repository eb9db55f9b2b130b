// The prompt templates: the built-ins, the user's file and what a damaged one falls back to,
// the selected template, placeholders, and creating the file for editing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "bridge/Templates.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {

void PrintTo(const PromptTemplate& t, std::ostream* os) {
    *os << t.id.toStdString() << " / " << t.name.toStdString();
}

namespace {

struct TempFolders : UserFolders {
    QTemporaryDir dir;
    QString applicationSupport() override { return dir.path(); }
};

struct RecordingOpener : DesktopOpener {
    bool open(const QString& path) override {
        opened.push_back(path);
        return openWorks;
    }
    bool reveal(const QString& path) override {
        revealed.push_back(path);
        return true;
    }
    bool openWorks = true;
    std::vector<QString> opened, revealed;
};

class TemplatesTest : public ::testing::Test {
  protected:
    void writeFile(const QByteArray& contents) {
        QFile file(templates.filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QByteArray fileContents() {
        QFile file(templates.filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::vector<QString> ids() {
        std::vector<QString> list;
        for (const PromptTemplate& t : templates.list()) list.push_back(t.id);
        return list;
    }

    TempFolders folders;
    AppPaths paths{folders};
    SimDefaults store;
    Prefs prefs{store};
    RecordingOpener opener;
    Templates templates{paths, prefs, opener};
};

const std::vector<QString> kBuiltInIds = {"revision", "contexto", "error", "implementa",
                                          "resumen",  "codigo",   "origen"};

TEST_F(TemplatesTest, TheSevenBuiltInsInTheirOrder) {
    const auto& builtIn = Templates::builtIn();
    ASSERT_EQ(builtIn.size(), 7u);
    EXPECT_EQ(ids(), kBuiltInIds);
    EXPECT_EQ(templates.filePath(), QDir(folders.dir.path()).filePath("Quenda/plantillas.json"));
    EXPECT_EQ(builtIn[0].name, QStringLiteral("Revisión cruzada"));
    EXPECT_EQ(builtIn[0].body,
              QStringLiteral("Otra IA respondió lo siguiente. Revísalo críticamente, señala "
                             "errores u omisiones y propone una versión mejorada:\n\n"
                             "<respuesta_otra_ia>\n{texto}\n</respuesta_otra_ia>"));
    EXPECT_EQ(builtIn[1].name, QStringLiteral("Contexto para agente"));
    EXPECT_EQ(builtIn[2].name, QStringLiteral("Error / log"));
    EXPECT_EQ(builtIn[2].body,
              QStringLiteral("Este es el error o log que obtuve. Diagnostica la causa raíz y "
                             "propone el arreglo concreto:\n\n```\n{texto}\n```"));
    EXPECT_EQ(builtIn[3].name, QStringLiteral("Implementa este plan"));
    EXPECT_EQ(
        builtIn[4].body,
        QStringLiteral("Resume esto en puntos clave, sin perder datos importantes:\n\n{texto}"));
    EXPECT_EQ(builtIn[5].name, QStringLiteral("Bloque de código"));
    EXPECT_EQ(builtIn[6].body, QStringLiteral("[Desde {app} — {ventana}]\n\n{texto}"));
}

TEST_F(TemplatesTest, TheUsersFileReplacesTheBuiltIns) {
    writeFile(R"([{"id":"mio","name":"Mío","body":"<<{texto}>>","extra":1},
                  {"id":"otro","name":"Otro","body":""}])");
    EXPECT_EQ(ids(), (std::vector<QString>{"mio", "otro"}));
    // Read anew every time.
    writeFile(R"([{"id":"nuevo","name":"N","body":"{texto}"}])");
    EXPECT_EQ(ids(), std::vector<QString>{"nuevo"});
}

TEST_F(TemplatesTest, ADamagedFileFallsBackToTheBuiltInsAndIsLeftAlone) {
    const QByteArray cases[] = {
        "[]",
        "",
        "not json",
        "{\"id\":\"a\",\"name\":\"b\",\"body\":\"c\"}",
        R"([{"id":"a","name":"b"}])",
        R"([{"id":1,"name":"b","body":"c"}])",
        R"([{"id":"a","name":"b","body":["c"]}])",
        R"([{"id":"a","name":"b","body":"c"}, 3])",
        R"([{"id":"a","name":"b","body":null}])",
        "[{\"id\":\"a\",\"name\":\"b\",\"body\":\"c\"}",
        "\xff\xfe[]",
    };
    for (const QByteArray& contents : cases) {
        SCOPED_TRACE(contents.toStdString());
        writeFile(contents);
        EXPECT_EQ(ids(), kBuiltInIds);
        EXPECT_EQ(fileContents(), contents);
    }
}

TEST_F(TemplatesTest, WhatIsNotASmallRegularFileIsNotRead) {
    const QString path = templates.filePath();
    // A folder in its place.
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_EQ(ids(), kBuiltInIds);
    ASSERT_TRUE(QDir().rmdir(path));
    // A pipe with no writer: reading it would wait forever.
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(ids(), kBuiltInIds);
    ASSERT_TRUE(QFile::remove(path));
    // A huge file.
    QByteArray huge = R"([{"id":"big","name":"b","body":")";
    huge += QByteArray(Templates::kMaxFileBytes, 'x');
    huge += "\"}]";
    writeFile(huge);
    EXPECT_EQ(ids(), kBuiltInIds);
    // A link to a good file is followed.
    writeFile(R"([{"id":"linked","name":"L","body":"{texto}"}])");
    const QString target = folders.dir.filePath("elsewhere.json");
    ASSERT_TRUE(QFile::rename(path, target));
    ASSERT_TRUE(QFile::link(target, path));
    EXPECT_EQ(ids(), std::vector<QString>{"linked"});
}

TEST_F(TemplatesTest, TheCurrentTemplateFollowsTheSetting) {
    EXPECT_EQ(templates.current(), std::nullopt);  // absent
    prefs.set(settings::templateID, QStringLiteral("none"));
    EXPECT_EQ(templates.current(), std::nullopt);
    prefs.set(settings::templateID, QStringLiteral("codigo"));
    const auto current = templates.current();
    ASSERT_TRUE(current);
    EXPECT_EQ(Templates::apply(*current, "x"), QStringLiteral("```\nx\n```"));
    // Removed from the user's list: no template.
    writeFile(R"([{"id":"mio","name":"Mío","body":"{texto}!"}])");
    EXPECT_EQ(templates.current(), std::nullopt);
    prefs.set(settings::templateID, QStringLiteral("mio"));
    ASSERT_TRUE(templates.current());
    EXPECT_EQ(templates.current()->name, QStringLiteral("Mío"));
    // A stored value of the wrong type reads as absent.
    store.setValue("templateID", int64_t{5});
    EXPECT_EQ(templates.current(), std::nullopt);
}

TEST(TemplatesApply, ReplacesEveryPlaceholderAndNeverWhatTheValuesBring) {
    struct Case {
        const char* body;
        const char* text;
        const char* app;
        const char* window;
        const char* expected;
    } cases[] = {
        {"[Desde {app} — {ventana}]\n\n{texto}", "hola", "Firefox", "Docs",
         "[Desde Firefox — Docs]\n\nhola"},
        {"[Desde {app} — {ventana}]\n\n{texto}", "hola", "", "", "[Desde  — ]\n\nhola"},
        {"{texto} y {texto}; {app}{app}", "a", "B", "", "a y a; BB"},
        {"sin texto", "perdido", "", "", "sin texto"},
        {"{Texto} {TEXTO} {texto", "x", "", "", "{Texto} {TEXTO} {texto"},
        {"{{texto}}", "x", "", "", "{x}"},
        // Placeholder-like text in a value stays as it is.
        {"{texto}", "usa {app} y {ventana}", "App", "Win", "usa {app} y {ventana}"},
        {"{app}: {texto}", "t", "{texto}", "", "{texto}: t"},
        {"{ventana} {texto}", "t", "", "{texto} {app}", "{texto} {app} t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const PromptTemplate t{"id", "name", QString::fromUtf8(c.body)};
        EXPECT_EQ(Templates::apply(t, QString::fromUtf8(c.text), QString::fromUtf8(c.app),
                                   QString::fromUtf8(c.window)),
                  QString::fromUtf8(c.expected));
    }
}

TEST_F(TemplatesTest, OpeningCreatesTheFileFromTheBuiltInsOnlyWhenMissing) {
    templates.openFile();
    const QByteArray written = fileContents();
    EXPECT_EQ(Templates::decode(written), Templates::builtIn());
    EXPECT_TRUE(written.contains("\"name\" : \"Error / log\""));  // slashes as they are
    EXPECT_TRUE(written.contains("\"id\" : \"revision\",\n    \"name\""));
    EXPECT_EQ(opener.opened, std::vector<QString>{templates.filePath()});
    EXPECT_TRUE(opener.revealed.empty());
    // Edited by the user, then opened again: kept as it is.
    writeFile(R"([{"id":"mio","name":"Mío","body":"{texto}"}])");
    templates.openFile();
    EXPECT_EQ(fileContents(), QByteArray(R"([{"id":"mio","name":"Mío","body":"{texto}"}])"));
    // Even a damaged file is the user's to fix.
    writeFile("[]");
    templates.openFile();
    EXPECT_EQ(fileContents(), QByteArray("[]"));
}

TEST_F(TemplatesTest, WithoutAnEditorTheFileIsShownInTheFileManager) {
    opener.openWorks = false;
    templates.openFile();
    EXPECT_EQ(opener.opened, std::vector<QString>{templates.filePath()});
    EXPECT_EQ(opener.revealed, std::vector<QString>{templates.filePath()});
}

TEST(TemplatesCoding, EncodesWhatDecodes) {
    const std::vector<PromptTemplate> list = {
        {"a/b", "Comillas \" y \\ barra", "línea\n\t{texto} \u2014 ✓ </etiqueta>"}};
    const QByteArray json = Templates::encode(list);
    EXPECT_EQ(Templates::decode(json), list);
    EXPECT_TRUE(json.contains("a/b"));
    EXPECT_TRUE(json.contains("</etiqueta>"));
    EXPECT_EQ(Templates::decode(Templates::encode({})), std::vector<PromptTemplate>{});
}

}  // namespace
}  // namespace quenda
