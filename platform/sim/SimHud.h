#pragma once

#include <ostream>
#include <vector>

#include "platform/ports/Hud.h"

namespace quenda {

// Remembers every message, so tests can check what the user was told.
class SimHud final : public Hud {
  public:
    struct Message {
        QString text;
        double duration;
        friend bool operator==(const Message&, const Message&) = default;
    };
    void show(const QString& message, double duration) override {
        messages.push_back({message, duration});
    }
    friend void PrintTo(const Message& m, std::ostream* os) {
        *os << '"' << m.text.toStdString() << "\" for " << m.duration << " s";
    }
    QString last() const { return messages.empty() ? QString() : messages.back().text; }
    std::vector<QString> texts() const {
        std::vector<QString> all;
        for (const Message& m : messages) all.push_back(m.text);
        return all;
    }
    std::vector<Message> messages;
};

}  // namespace quenda
