#pragma once

#include <functional>
#include <optional>

#include <QDateTime>
#include <QString>

#include "core/AppPaths.h"
#include "core/L10n.h"
#include "platform/ports/Hud.h"

namespace quenda {

// Turns a text into a Markdown file in the folder "archivos" of the program's folder, so it
// can be pasted or dragged as an attachment. Files stay until the user removes them.
class TextFiles {
  public:
    static inline const QString kFolder = QStringLiteral("archivos");
    // Characters of the title line that the name is made from.
    static constexpr int kTitleLength = 40;

    TextFiles(
        const AppPaths& paths, Hud& hud, const L10n& l10n,
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); })
        : paths_(paths), hud_(hud), l10n_(l10n), now_(std::move(now)) {}

    // Writes the whole text, as UTF-8, to a new file named after its first non-empty line
    // and the local time ("Plan-de-migración-20260305-140709.md"), and returns its path.
    // A file of that name already there is kept: the new one gets "-2", "-3"... before
    // ".md". On failure the user is told why and nothing is returned.
    std::optional<QString> write(const QString& text);

    // The name's first part: the first non-empty line's first 40 characters, kept to
    // letters, digits, "-", "_" and spaces, trimmed, with spaces turned into "-"; "texto"
    // when nothing is left.
    static QString baseName(const QString& text);

  private:
    const AppPaths& paths_;
    Hud& hud_;
    const L10n& l10n_;
    std::function<QDateTime()> now_;
};

}  // namespace quenda
