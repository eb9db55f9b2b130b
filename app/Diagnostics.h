#pragma once

#include <QString>
#include <QStringList>

namespace quenda {

// What the technical diagnostics say: the program and the system it runs on, nothing of
// the user's (no window titles, no paths, no clipboard).
struct DiagnosticFacts {
    QString version;       // "0.1.0", or "?"
    QString build;         // or "?"
    QString bundle;        // the application's identifier, or "?"
    QString localization;  // the language the texts are shown in
    bool accessibilityTrusted = false;
    int activeHotKeys = 0;
    int displays = 0;
    // The system: distribution and kernel, the X server's vendor and release, the window
    // manager's name; empty ones are written "?".
    QString distribution;
    QString kernel;
    QString xServer;
    QString windowManager;
    // One "WIDTHxHEIGHT+X+Y" per screen.
    QStringList screens;
};

// The diagnostics text: one "name: value" line each, line feeds between them and none at
// the end.
QString diagnosticsText(const DiagnosticFacts& facts);

// The distribution's name from an os-release file's text (PRETTY_NAME, else NAME and
// VERSION), or empty.
QString distributionFromOsRelease(const QByteArray& osRelease);

}  // namespace quenda
