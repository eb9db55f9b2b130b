#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quenda::testing {

// A private X server (Xvfb), optionally with openbox on it, for one test suite. Nothing of
// the caller's own session is touched; the processes are ended by pid.
class PrivateDisplay {
  public:
    // Nothing, with `error` set, when the server or the window manager did not come up.
    static std::unique_ptr<PrivateDisplay> start(bool withWindowManager, QString* error);
    ~PrivateDisplay();

    QString name() const { return name_; }
    // Runs an X client (xdotool, xmodmap) on this display; true when it exited with 0.
    bool run(const QString& program, const QStringList& args);
    // Ends the server at once, as a crash would.
    void killServer();
    // Freezes the server (SIGSTOP), as a hung one would, and lets it go on (SIGCONT).
    void stopServer();
    void continueServer();

  private:
    PrivateDisplay() = default;
    bool waitForWindowManager(QString* error);

    QString name_;
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
    QTemporaryDir config_;  // an empty XDG_CONFIG_HOME: openbox's stock key bindings
};

// Pumps the Qt event loop until `condition` holds or `seconds` pass.
bool waitUntil(const std::function<bool()>& condition, double seconds = 10);

}  // namespace quenda::testing
