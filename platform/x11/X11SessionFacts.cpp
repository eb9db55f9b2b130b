#include "platform/x11/X11SessionFacts.h"

#include <QObject>
#include <QSocketNotifier>

#include "platform/x11/X11Connection.h"

namespace quenda {

using x11::X11Connection;

struct X11ActiveWindowWatch::Impl {
    std::unique_ptr<X11Connection> x;
    QObject context;
    QSocketNotifier* notifier = nullptr;
    std::function<void(uint64_t)> changed;
};

X11ActiveWindowWatch::X11ActiveWindowWatch(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
X11ActiveWindowWatch::~X11ActiveWindowWatch() {
    if (impl_->x) impl_->x->setEventHandler({});
}

std::unique_ptr<X11ActiveWindowWatch> X11ActiveWindowWatch::open(const QString& display,
                                                                 QString* error) {
    auto impl = std::make_unique<Impl>();
    impl->x = X11Connection::open(display, error);
    if (!impl->x) return nullptr;
    X11Connection& x = *impl->x;
    // Root properties only: this connection adds its own interest to the root window's,
    // beside every other client's.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x.c(), x.root(), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x.c());
    Impl* raw = impl.get();
    x.setEventHandler([raw](const xcb_generic_event_t& e) {
        if ((e.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
        const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
        if (p.window != raw->x->root() || p.atom != raw->x->atoms().NET_ACTIVE_WINDOW ||
            !raw->changed)
            return;
        // Read on this connection, so the program's own stays untouched.
        const auto active = x11::first32(
            raw->x
                ->property(raw->x->requestProperty(
                    raw->x->root(), raw->x->atoms().NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 1))
                .get());
        raw->changed(active.value_or(0));
    });
    raw->notifier =
        new QSocketNotifier(xcb_get_file_descriptor(x.c()), QSocketNotifier::Read, &raw->context);
    QObject::connect(raw->notifier, &QSocketNotifier::activated, &raw->context, [raw] {
        raw->x->drainEvents();
        // A lost connection stays readable for ever.
        if (!raw->x->alive()) raw->notifier->setEnabled(false);
    });
    return std::unique_ptr<X11ActiveWindowWatch>(new X11ActiveWindowWatch(std::move(impl)));
}

void X11ActiveWindowWatch::setActiveWindowHandler(std::function<void(uint64_t)> changed) {
    impl_->changed = std::move(changed);
}

X11SessionFacts readX11SessionFacts(const QString& display) {
    X11SessionFacts facts;
    QString error;
    const auto x = X11Connection::open(display, &error);
    if (!x) return facts;
    x->setReplyDeadline(std::chrono::milliseconds(2000));
    const xcb_setup_t* setup = xcb_get_setup(x->c());
    facts.serverVendor =
        QString::fromLatin1(xcb_setup_vendor(setup), xcb_setup_vendor_length(setup)).trimmed();
    facts.serverRelease = QString::number(setup->release_number);
    if (const auto check = x->managerCheckWindow()) {
        const auto name = x->property(
            x->requestProperty(*check, x->atoms().NET_WM_NAME, x->atoms().UTF8_STRING, 256));
        if (name && name->format == 8) {
            facts.windowManager =
                QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(name.get())),
                                  xcb_get_property_value_length(name.get()));
        }
    }
    return facts;
}

}  // namespace quenda
