#pragma once

#include <optional>
#include <type_traits>

#include <QByteArray>
#include <QString>

#include "core/Settings.h"
#include "platform/ports/Defaults.h"

namespace quenda {

// The settings, read and written through their descriptors (core/Settings.h):
//   const int64_t gap = prefs.get(settings::gap);
//   const std::optional<QByteArray> slot = prefs.get(settings::workspaceSlot(2));
//   prefs.set(settings::didShowAccessibilityOnboarding, true);
// Nothing is cached: every read goes to the store, so a change made elsewhere (the dashboard,
// `quenda config set`) applies to the next command. A stored value outside a setting's range
// reads as the nearest bound. A stored value of the wrong type, or one the setting's rule
// otherwise refuses, reads exactly like an absent one: as the setting's default, or as
// nothing for a data setting.
class Prefs {
  public:
    explicit Prefs(Defaults& store) : store_(store) {}

    template <typename T>
    typename SettingTraits<T>::Read get(const Setting<T>& setting) const {
        if (const auto stored = store_.value(setting.name())) {
            if (const T* value = std::get_if<T>(&*stored)) {
                if (auto read = setting.read(*value)) return *std::move(read);
            }
        }
        if constexpr (std::is_same_v<T, QByteArray>) {
            return std::nullopt;
        } else if constexpr (std::is_same_v<T, QString>) {
            return QString::fromUtf8(setting.fallback);
        } else {
            return setting.fallback;
        }
    }

    // False when the setting's rule refuses the value (nothing is written) or the store could
    // not be written (the old value stays).
    template <typename T>
    bool set(const Setting<T>& setting, const std::type_identity_t<T>& value) {
        if (!setting.accepts(value)) return false;
        return store_.setValue(setting.name(), value);
    }

    // Back to the default. False when the store could not be written.
    template <typename T>
    bool remove(const Setting<T>& setting) {
        return store_.remove(setting.name());
    }

  private:
    Defaults& store_;
};

}  // namespace quenda
