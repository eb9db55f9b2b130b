#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "core/AppPaths.h"
#include "core/Prefs.h"
#include "platform/ports/DesktopOpener.h"

namespace quenda {

// A frame that wraps the text the bridge sends or the clipboard panel pastes. Its body holds
// the placeholders "{app}", "{ventana}" and "{texto}".
struct PromptTemplate {
    QString id;
    QString name;
    QString body;
    friend bool operator==(const PromptTemplate&, const PromptTemplate&) = default;
};

// The prompt templates: seven built in, until the user keeps a list of their own in
// "plantillas.json" in the program's folder, and the one the setting "templateID" selects.
// The file is read anew every time the list is needed.
class Templates {
  public:
    static inline const QString kFileName = QStringLiteral("plantillas.json");
    // A template file larger than this is not read (the built-ins apply).
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    Templates(const AppPaths& paths, const Prefs& prefs, DesktopOpener& opener)
        : paths_(paths), prefs_(prefs), opener_(opener) {}

    static const std::vector<PromptTemplate>& builtIn();

    // The user's list when their file holds a non-empty JSON array of templates (objects with
    // the string members "id", "name" and "body"), else the built-ins.
    std::vector<PromptTemplate> list() const;
    // The selected template: none while "templateID" is absent or "none", or names a template
    // that is not in the list.
    std::optional<PromptTemplate> current() const;
    // Lets the user edit the list: writes the built-ins to the file when it is missing, then
    // opens it in their text editor, or shows it in the file manager when that fails.
    void openFile();
    QString filePath() const;

    // The template's body with "{app}", "{ventana}" and "{texto}" replaced wherever they
    // occur. Placeholders are looked for in the body only: text that a value brings in is
    // never expanded, whatever it holds.
    static QString apply(const PromptTemplate& t, const QString& text, const QString& app = {},
                         const QString& window = {});
    // A template list in JSON; nothing unless every element is a valid template.
    static std::optional<std::vector<PromptTemplate>> decode(const QByteArray& json);
    // The list as an indented JSON array, members in the order id, name, body; slashes as
    // they are.
    static QByteArray encode(const std::vector<PromptTemplate>& templates);

  private:
    const AppPaths& paths_;
    const Prefs& prefs_;
    DesktopOpener& opener_;
};

}  // namespace quenda
