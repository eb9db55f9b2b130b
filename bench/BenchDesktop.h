#pragma once

#include <sys/types.h>

#include <QString>

#include "platform/ports/WindowServer.h"

namespace quenda::bench {

// A child process that shows `count` ordinary 300x200 windows (no size hints, so they take
// any size) and waits to be killed: another process's windows, as the window list wants.
// They are titled `titlePrefix` and their number; a `wmClass` names their application.
pid_t openWindows(const QString& display, int count, const QString& wmClass = {},
                  const QString& titlePrefix = QStringLiteral("bench "));
// How many windows the window manager lists.
size_t managedWindows(const QString& display);
void stopWindows(pid_t client);
// Waits (at most a minute) until the list shows the same frames twice running: openbox
// places new windows for a while after mapping them, and a benchmark times a quiet desktop.
bool waitUntilQuiet(WindowServer& server);

}  // namespace quenda::bench
