#include "bridge/Templates.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "core/RegularFile.h"

namespace quenda {

namespace {

const QString kApp = QStringLiteral("{app}");
const QString kWindow = QStringLiteral("{ventana}");
const QString kText = QStringLiteral("{texto}");

// One string as a JSON literal, quotes included.
QByteArray jsonString(const QString& s) {
    const QByteArray array = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);  // without the brackets
}

}  // namespace

const std::vector<PromptTemplate>& Templates::builtIn() {
    static const std::vector<PromptTemplate> templates = {
        {QStringLiteral("revision"), QStringLiteral("Revisión cruzada"),
         QStringLiteral("Otra IA respondió lo siguiente. Revísalo críticamente, señala errores u "
                        "omisiones y propone una versión mejorada:\n\n<respuesta_otra_ia>\n"
                        "{texto}\n</respuesta_otra_ia>")},
        {QStringLiteral("contexto"), QStringLiteral("Contexto para agente"),
         QStringLiteral("Contexto para la tarea actual (tenlo en cuenta antes de continuar):\n\n"
                        "```\n{texto}\n```")},
        {QStringLiteral("error"), QStringLiteral("Error / log"),
         QStringLiteral("Este es el error o log que obtuve. Diagnostica la causa raíz y propone "
                        "el arreglo concreto:\n\n```\n{texto}\n```")},
        {QStringLiteral("implementa"), QStringLiteral("Implementa este plan"),
         QStringLiteral("Implementa el siguiente plan paso a paso. Si algo es ambiguo, pregunta "
                        "antes de tocar código:\n\n{texto}")},
        {QStringLiteral("resumen"), QStringLiteral("Resumir"),
         QStringLiteral("Resume esto en puntos clave, sin perder datos importantes:\n\n{texto}")},
        {QStringLiteral("codigo"), QStringLiteral("Bloque de código"),
         QStringLiteral("```\n{texto}\n```")},
        {QStringLiteral("origen"), QStringLiteral("Citar origen"),
         QStringLiteral("[Desde {app} — {ventana}]\n\n{texto}")},
    };
    return templates;
}

QString Templates::filePath() const {
    return QDir(paths_.support()).filePath(kFileName);
}

std::optional<std::vector<PromptTemplate>> Templates::decode(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) return std::nullopt;
    std::vector<PromptTemplate> templates;
    for (const QJsonValue& element : document.array()) {
        if (!element.isObject()) return std::nullopt;
        const QJsonObject object = element.toObject();
        const QJsonValue id = object.value(QLatin1String("id"));
        const QJsonValue name = object.value(QLatin1String("name"));
        const QJsonValue body = object.value(QLatin1String("body"));
        if (!id.isString() || !name.isString() || !body.isString()) return std::nullopt;
        templates.push_back({id.toString(), name.toString(), body.toString()});
    }
    return templates;
}

QByteArray Templates::encode(const std::vector<PromptTemplate>& templates) {
    QByteArray out = "[\n";
    for (size_t i = 0; i < templates.size(); ++i) {
        const PromptTemplate& t = templates[i];
        out += "  {\n    \"id\" : " + jsonString(t.id) + ",\n    \"name\" : " + jsonString(t.name) +
               ",\n    \"body\" : " + jsonString(t.body) + "\n  }";
        out += i + 1 < templates.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}

std::vector<PromptTemplate> Templates::list() const {
    if (const auto contents = readRegularFile(filePath(), kMaxFileBytes)) {
        if (auto templates = decode(*contents); templates && !templates->empty())
            return *std::move(templates);
    }
    return builtIn();
}

std::optional<PromptTemplate> Templates::current() const {
    const QString id = prefs_.get(settings::templateID);
    if (id == QLatin1String("none")) return std::nullopt;
    for (const PromptTemplate& t : list()) {
        if (t.id == id) return t;
    }
    return std::nullopt;
}

QString Templates::apply(const PromptTemplate& t, const QString& text, const QString& app,
                         const QString& window) {
    // One pass over the body, so a value that itself holds a placeholder ("{texto}" in a
    // window title) stays as it is; for any other value this is the same as replacing
    // "{app}", then "{ventana}", then "{texto}".
    QString out;
    const QString& body = t.body;
    qsizetype i = 0;
    while (i < body.size()) {
        if (body.at(i) == QLatin1Char('{')) {
            const QStringView rest = QStringView(body).mid(i);
            if (rest.startsWith(kApp)) {
                out += app;
                i += kApp.size();
                continue;
            }
            if (rest.startsWith(kWindow)) {
                out += window;
                i += kWindow.size();
                continue;
            }
            if (rest.startsWith(kText)) {
                out += text;
                i += kText.size();
                continue;
            }
        }
        out += body.at(i);
        ++i;
    }
    return out;
}

void Templates::openFile() {
    const QString path = filePath();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        // A failure here is not reported: opening below shows whatever there is.
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(encode(builtIn()));
            file.commit();
        }
    }
    if (!opener_.open(path)) opener_.reveal(path);
}

}  // namespace quenda
