#pragma once

#include <QString>

#include "platform/ports/LoginItem.h"

namespace quenda {

// Starting with the session as the freedesktop autostart specification has it: a desktop
// entry named after the program in `$XDG_CONFIG_HOME/autostart`, written atomically on
// enabling and removed on disabling. An entry there that says it is hidden or disabled
// (`Hidden=true`, `X-GNOME-Autostart-enabled=false`) counts as off.
class AutostartEntry final : public LoginItem {
  public:
    // `configHome` is the user's configuration folder, `program` the absolute path of the
    // executable the entry starts.
    AutostartEntry(QString configHome, QString program);

    // The configuration folder from $XDG_CONFIG_HOME, else ~/.config.
    static QString defaultConfigHome();
    static inline const QString kFileName = QStringLiteral("org.quenda.Quenda.desktop");

    QString path() const;
    // The entry's text: the program quoted for an Exec line.
    QString contents() const;

    bool isEnabled() override;
    bool setEnabled(bool enabled, QString* error) override;
    // Removes the temporary copies of writes that were stopped before they replaced the
    // entry (the process killed mid-write); returns how many.
    int removeLeftovers() const;

    // A path quoted as one argument of an Exec line, escaped for the desktop entry format.
    static QString quoteExecArgument(const QString& argument);

  private:
    QString configHome_;
    QString program_;
};

}  // namespace quenda
