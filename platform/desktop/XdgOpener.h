#pragma once

#include <QString>

#include "platform/ports/DesktopOpener.h"

namespace quenda {

// Opens files the freedesktop way, through `xdg-open`, which hands them to the application
// the user's desktop prefers. Revealing opens the file's folder, where the file manager shows
// it among its neighbours. Nothing here waits for the application.
class XdgOpener final : public DesktopOpener {
  public:
    // `program` is the opener to run; tests give a stand-in.
    explicit XdgOpener(QString program = QStringLiteral("xdg-open"))
        : program_(std::move(program)) {}
    bool open(const QString& path) override;
    bool reveal(const QString& path) override;

  private:
    QString program_;
};

}  // namespace quenda
