#pragma once

#include <QString>
#include <QUrl>

#include "update/UpdateManager.h"

namespace quenda::update_config {

// The environment variable that points the updater at another feed (tests, staging servers).
// Whatever the feed, only releases signed with the program's key are accepted.
inline constexpr char kFeedOverride[] = "QUENDA_UPDATE_FEED";
// The key file that replaces the built-in public key, looked for in
// <programDir>/../share/quenda and then <programDir>.
inline const QString kKeyFileName = QStringLiteral("ed25519-pubkey.txt");

// The version this program was built as (the project's version, build number 0 unless the
// build set one).
RunningVersion builtInVersion();
// The version of the running copy: what the release file of its prefix names, else the
// built-in one.
RunningVersion runningVersion(const QString& programDir);
// The public key: the trimmed text of the key file when there is one and it is not empty,
// else the built-in value.
QString publicKey(const QString& programDir);
// The feed's address: the build's constant, or the override.
QUrl feedUrl();

// Everything the manager needs for the program at `executable`, installed (or not) under
// `installRoot`.
UpdateManager::Config forProgram(const QString& programDir, const QString& executable,
                                 const QString& installRoot);

}  // namespace quenda::update_config
