#include "platform/x11/X11Desktop.h"

#include <QtGlobal>

#include "platform/desktop/InstalledApplications.h"
#include "platform/x11/HiddenWindows.h"
#include "platform/x11/X11Applications.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11Thumbnails.h"
#include "platform/x11/X11WindowServer.h"

namespace quenda {

struct X11Desktop::Impl {
    explicit Impl(std::unique_ptr<x11::X11Connection> c)
        : connection(std::move(c)),
          server(*connection, hidden),
          screens(*connection),
          applications(*connection, server, hidden, installed),
          keys(*connection),
          thumbnails(connection->displayName()) {}
    std::unique_ptr<x11::X11Connection> connection;
    x11::HiddenWindows hidden;  // shared: hidden windows read as not minimised
    x11::X11WindowServer server;
    x11::X11Screens screens;
    InstalledApplications installed;
    x11::X11Applications applications;
    x11::X11SyntheticKeys keys;
    x11::X11Thumbnails thumbnails;
};

X11Desktop::X11Desktop(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
X11Desktop::~X11Desktop() = default;

std::unique_ptr<X11Desktop> X11Desktop::open(QString* error, const QString& display) {
    const QString name = display.isEmpty() ? qEnvironmentVariable("DISPLAY") : display;
    auto connection = x11::X11Connection::open(name, error);
    if (!connection) return nullptr;
    return std::unique_ptr<X11Desktop>(
        new X11Desktop(std::make_unique<Impl>(std::move(connection))));
}

WindowServer& X11Desktop::windowServer() {
    return impl_->server;
}
Screens& X11Desktop::screens() {
    return impl_->screens;
}
Applications& X11Desktop::applications() {
    return impl_->applications;
}
SyntheticKeys& X11Desktop::syntheticKeys() {
    return impl_->keys;
}
WindowThumbnails& X11Desktop::thumbnails() {
    return impl_->thumbnails;
}
bool X11Desktop::hasWindowManager() const {
    return impl_->connection->hasWindowManager();
}
QString X11Desktop::displayName() const {
    return impl_->connection->displayName();
}
void X11Desktop::setUserTimeSource(std::function<uint32_t()> source) {
    impl_->server.setUserTimeSource(std::move(source));
}
void X11Desktop::setReplyDeadline(std::chrono::milliseconds limit) {
    impl_->connection->setReplyDeadline(limit);
}
std::optional<QString> X11Desktop::connectionFailure() const {
    const x11::X11Connection& c = *impl_->connection;
    switch (c.failure()) {
        case x11::X11Connection::Failure::none:
            return std::nullopt;
        case x11::X11Connection::Failure::lost:
            return QStringLiteral("the X connection to display '%1' was lost").arg(c.displayName());
        case x11::X11Connection::Failure::notAnswering:
            return QStringLiteral("X display '%1' did not answer within %2 s")
                .arg(c.displayName())
                .arg(double(c.replyDeadline().value_or(std::chrono::milliseconds{}).count()) /
                     1000);
    }
    return std::nullopt;
}
int X11Desktop::unexpectedXErrors() const {
    return impl_->connection->unexpectedErrors();
}
QString X11Desktop::lastUnexpectedXError() const {
    return impl_->connection->lastUnexpectedError();
}

}  // namespace quenda
