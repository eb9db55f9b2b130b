#pragma once

#include <functional>
#include <optional>

#include <QString>

#include "core/L10n.h"
#include "update/UpdateManager.h"

namespace quenda {

// The model of the dashboard's update card: a check that says what it found and keeps a
// newer release to offer its install button, then the install with its outcome. The view
// draws `title`, `status` and, while `canInstall`, the button; it is told of every change.
class UpdateCard {
  public:
    UpdateCard(UpdateManager& manager, const L10n& l10n);

    QString title() const;
    QString status() const { return status_; }
    QString installButtonTitle() const;
    bool busy() const { return busy_; }
    // A newer release was found, this copy installs itself and nothing runs.
    bool canInstall() const;

    void check();
    void install();
    void onChange(std::function<void()> observer) { observer_ = std::move(observer); }

  private:
    void set(QString status, bool busy);

    UpdateManager& manager_;
    const L10n& l10n_;
    QString status_;
    bool busy_ = false;
    std::optional<Manifest> offered_;
    std::function<void()> observer_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
