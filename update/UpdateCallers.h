#pragma once

#include <functional>

#include <QStringList>
#include <QTextStream>

#include "core/L10n.h"
#include "platform/ports/Hud.h"
#include "update/UpdateManager.h"

namespace quenda {

// How long the update's messages stay on screen, in seconds.
inline constexpr double kUpdateAvailableDuration = 3.0;
inline constexpr double kUpdateUpToDateDuration = 2.0;
inline constexpr double kUpdateCheckErrorDuration = 3.0;
inline constexpr double kUpdateInstallResultDuration = 3.5;

// "Hay una versión nueva: …" for a manifest.
QString updateAvailableText(const Manifest& m, const L10n& l10n);

// The check a few seconds after start: only a newer release is mentioned.
void silentUpdateCheck(UpdateManager& manager, Hud& hud, const L10n& l10n);

// The tray menu's check: every answer is shown, and a newer release is installed at once
// (a copy that some other installer manages says so instead).
void menuUpdateCheck(UpdateManager& manager, Hud& hud, const L10n& l10n);

// `quenda update check` and `quenda update install`: print what the messages would say and
// call `finished` with the exit status (0, 1 on any error, 2 for a wrong command line).
void runUpdateCommand(const QStringList& args, UpdateManager& manager, const L10n& l10n,
                      QTextStream& out, QTextStream& err, std::function<void(int)> finished);

}  // namespace quenda
