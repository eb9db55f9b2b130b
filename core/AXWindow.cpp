#include "core/AXWindow.h"

namespace quenda {

template <typename T>
std::optional<T> AXWindow::read(std::string_view name) const {
    const auto v = server_->attribute(element_, name);
    if (!v) return std::nullopt;
    if (const T* t = std::get_if<T>(&*v)) return *t;
    return std::nullopt;
}

std::optional<QString> AXWindow::title() const {
    return read<QString>(attr::Title);
}
std::optional<QString> AXWindow::subrole() const {
    return read<QString>(attr::Subrole);
}
bool AXWindow::isMinimized() const {
    return read<bool>(attr::Minimized).value_or(false);
}
std::optional<Point> AXWindow::position() const {
    return read<Point>(attr::Position);
}
std::optional<Size> AXWindow::size() const {
    return read<Size>(attr::Size);
}

void AXWindow::setFrame(const Rect& frame) const {
    const Element app = Element::application(pid_);
    server_->setMessagingTimeout(app, 1.0);
    // Applications with the enhanced interface on animate and fight size changes: switch it
    // off for the move and back on afterwards. Where it is off or absent it is never written.
    const auto enhanced = server_->attribute(app, attr::EnhancedUserInterface);
    const bool wasEnhanced =
        enhanced && std::holds_alternative<bool>(*enhanced) && std::get<bool>(*enhanced);
    if (wasEnhanced) server_->setAttribute(app, attr::EnhancedUserInterface, false);
    // Size, position, size again: a window moved near a screen edge may have been clamped
    // by its old size before it could take the new one.
    server_->setAttribute(element_, attr::Size, frame.size());
    server_->setAttribute(element_, attr::Position, frame.origin());
    server_->setAttribute(element_, attr::Size, frame.size());
    if (wasEnhanced) server_->setAttribute(app, attr::EnhancedUserInterface, true);
}

void AXWindow::close() const {
    const auto button = read<Element>(attr::CloseButton);
    if (button) server_->performAction(*button, action::Press);
}

void AXWindow::raise() const {
    server_->performAction(element_, action::Raise);
}

void AXWindow::makeMain() const {
    server_->setAttribute(element_, attr::Main, true);
}

void AXWindow::setMinimized(bool minimized) const {
    server_->setAttribute(element_, attr::Minimized, minimized);
}

}  // namespace quenda
