#include "update/UpdateCallers.h"

namespace quenda {

namespace {

void printError(const UpdateError& e, QTextStream& err) {
    err << "quenda: " << e.description;
    if (!e.detail.isEmpty()) err << " (" << e.detail << ")";
    err << " [" << e.domain << " " << e.code << "]\n";
    err.flush();
}

}  // namespace

QString updateAvailableText(const Manifest& m, const L10n& l10n) {
    return l10n.format(QStringLiteral("updates_available"), {m.version, m.build});
}

void silentUpdateCheck(UpdateManager& manager, Hud& hud, const L10n& l10n) {
    manager.check([&hud, &l10n](const UpdateManager::CheckResult& r) {
        if (const auto* m = std::get_if<Manifest>(&r))
            hud.show(updateAvailableText(*m, l10n), kUpdateAvailableDuration);
    });
}

void menuUpdateCheck(UpdateManager& manager, Hud& hud, const L10n& l10n) {
    manager.check([&manager, &hud, &l10n](const UpdateManager::CheckResult& r) {
        if (const auto* e = std::get_if<UpdateError>(&r))
            return hud.show(e->description, kUpdateCheckErrorDuration);
        if (std::holds_alternative<UpdateManager::UpToDate>(r))
            return hud.show(l10n.t(QStringLiteral("updates_up_to_date")), kUpdateUpToDateDuration);
        const auto& m = std::get<Manifest>(r);
        if (!manager.installsItself()) {
            return hud.show(l10n.format(QStringLiteral("updates_available_managed_elsewhere"),
                                        {m.version, m.build}),
                            kUpdateInstallResultDuration);
        }
        hud.show(updateAvailableText(m, l10n), kUpdateAvailableDuration);
        manager.downloadAndInstall(m, [&hud, &l10n](const std::optional<UpdateError>& e) {
            hud.show(e ? e->description : l10n.t(QStringLiteral("updates_installed")),
                     kUpdateInstallResultDuration);
        });
    });
}

void runUpdateCommand(const QStringList& args, UpdateManager& manager, const L10n& l10n,
                      QTextStream& out, QTextStream& err, std::function<void(int)> finished) {
    const QString sub = args.value(0);
    if (args.size() != 1 || (sub != QLatin1String("check") && sub != QLatin1String("install"))) {
        err << "usage: quenda update check|install\n";
        err.flush();
        return finished(2);
    }
    const bool install = sub == QLatin1String("install");
    manager.check([&, install, finished](const UpdateManager::CheckResult& r) {
        if (const auto* e = std::get_if<UpdateError>(&r)) {
            printError(*e, err);
            return finished(1);
        }
        if (std::holds_alternative<UpdateManager::UpToDate>(r)) {
            out << l10n.t(QStringLiteral("updates_up_to_date")) << "\n";
            out.flush();
            return finished(0);
        }
        const auto& m = std::get<Manifest>(r);
        out << updateAvailableText(m, l10n) << "\n";
        out.flush();
        if (!install) return finished(0);
        manager.downloadAndInstall(m, [&, finished](const std::optional<UpdateError>& e) {
            if (e) {
                printError(*e, err);
                return finished(1);
            }
            out << l10n.t(QStringLiteral("updates_installed")) << "\n";
            out.flush();
            finished(0);
        });
    });
}

}  // namespace quenda
