#include "update/UpdateCard.h"

#include "update/UpdateCallers.h"

namespace quenda {

UpdateCard::UpdateCard(UpdateManager& manager, const L10n& l10n) : manager_(manager), l10n_(l10n) {}

QString UpdateCard::title() const {
    return l10n_.t(QStringLiteral("updates_card_title"));
}

QString UpdateCard::installButtonTitle() const {
    return l10n_.t(QStringLiteral("updates_install_now"));
}

bool UpdateCard::canInstall() const {
    return offered_ && !busy_ && manager_.installsItself();
}

void UpdateCard::set(QString status, bool busy) {
    status_ = std::move(status);
    busy_ = busy;
    if (observer_) observer_();
}

void UpdateCard::check() {
    if (busy_) return;
    offered_.reset();
    set(l10n_.t(QStringLiteral("updates_checking")), true);
    std::weak_ptr<char> alive = alive_;
    manager_.check([this, alive](const UpdateManager::CheckResult& r) {
        if (!alive.lock()) return;
        if (const auto* e = std::get_if<UpdateError>(&r)) return set(e->description, false);
        if (std::holds_alternative<UpdateManager::UpToDate>(r))
            return set(l10n_.t(QStringLiteral("updates_up_to_date")), false);
        offered_ = std::get<Manifest>(r);
        if (!manager_.installsItself()) {
            return set(l10n_.format(QStringLiteral("updates_available_managed_elsewhere"),
                                    {offered_->version, offered_->build}),
                       false);
        }
        set(updateAvailableText(*offered_, l10n_), false);
    });
}

void UpdateCard::install() {
    if (!canInstall()) return;
    set(l10n_.t(QStringLiteral("updates_downloading")), true);
    std::weak_ptr<char> alive = alive_;
    manager_.downloadAndInstall(*offered_, [this, alive](const std::optional<UpdateError>& e) {
        if (!alive.lock()) return;
        if (!e) offered_.reset();
        set(e ? e->description : l10n_.t(QStringLiteral("updates_installed")), false);
    });
}

}  // namespace quenda
