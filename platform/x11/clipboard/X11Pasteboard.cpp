#include "platform/x11/clipboard/X11Pasteboard.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

#include <QObject>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include "platform/x11/XcbReply.h"
#include "platform/x11/clipboard/ClipboardFormats.h"

namespace quenda {

namespace {

using namespace x11::clipboard;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// An owner that sends nothing for this long has given up (or hung).
constexpr milliseconds kOwnerPatience{1000};
// No read of ours takes longer than this, however steadily an owner trickles.
constexpr milliseconds kReadCeiling{60000};
// A program reading a large copy of ours that stops taking chunks for this long is dropped.
constexpr milliseconds kRequestorPatience{5000};
// How long closing the pasteboard waits for the worker before cutting its connection.
constexpr milliseconds kStopPatience{1000};
// Copies larger than this go out in pieces (INCR), and pieces are read at most this large.
constexpr qsizetype kChunk = 240 * 1024;
// The most bytes kept of a file list, an image and a password-manager marker.
constexpr qsizetype kFilesCap = 16 * 1024 * 1024;
constexpr qsizetype kImageCap = 256 * 1024 * 1024;
constexpr qsizetype kMarkerCap = 256;

const char* const kHint = "x-kde-passwordManagerHint";

struct Atoms {
    xcb_atom_t clipboard, targets, multiple, timestamp, incr, atomPair, utf8String, text,
        textPlainUtf8, textPlain, uriList, gnomeFiles, png, hint;
    xcb_atom_t properties[4];  // where copies are delivered to us, used in turn
};

// What this program offers for one selection: the bytes of each target, in order.
struct Offer {
    struct Target {
        xcb_atom_t target;
        xcb_atom_t type;
        QByteArray bytes;
    };
    std::vector<Target> targets;
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    const Target* find(xcb_atom_t target) const {
        for (const Target& t : targets)
            if (t.target == target) return &t;
        return nullptr;
    }
};

struct WriteRequest {
    enum class Kind { Text, Image, Files };
    explicit WriteRequest(Kind kind) : kind(kind) {}
    Kind kind;
    QString text;
    bool alsoSelection = false;
    QByteArray png;
    std::vector<QString> paths;
};

struct ReadRequest {
    uint64_t id;
    PasteboardRead what;
};

struct Quit {};

using Command = std::variant<ReadRequest, WriteRequest, Quit>;

// A large copy of ours going out to one requestor, a piece each time it deletes the last.
struct OutgoingTransfer {
    xcb_window_t requestor;
    xcb_atom_t property;
    xcb_atom_t type;
    QByteArray bytes;
    qsizetype offset = 0;
    Clock::time_point deadline;
    bool paste = false;  // the content itself, for another program: a paste once it is all out
};

// One conversion of the selection we asked for, arriving in our property.
struct IncomingTransfer {
    enum class State { Idle, AwaitingNotify, Incremental } state = State::Idle;
    xcb_atom_t target = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    xcb_atom_t type = XCB_NONE;
    QByteArray bytes;
    qsizetype cap = 0;
    bool overflow = false;
    bool textual = false;
    int maxTextLength = 0;
    std::optional<TextCollector> text;
    Clock::time_point deadline;

    void feed(const char* data, qsizetype size, xcb_atom_t stringAtom) {
        if (size <= 0) return;
        if (textual) {
            if (!text)
                text.emplace(type == stringAtom ? TextCollector::Encoding::Latin1
                                                : TextCollector::Encoding::Utf8,
                             maxTextLength);
            text->append(data, size_t(size));
            return;
        }
        if (overflow) return;
        if (bytes.size() + size > cap) {
            overflow = true;
            bytes = QByteArray();
            return;
        }
        bytes.append(data, size);
    }
    // Nothing more of it is needed (what follows is only drained).
    bool satisfied() const { return overflow || (text && text->full()); }
};

}  // namespace

// The side of the pasteboard that lives on the thread that opened it.
struct X11Pasteboard::Impl {
    struct Worker;

    ~Impl();

    std::unique_ptr<QObject> receiver;  // lives on the opening thread; posts land there
    int64_t count = 0;
    std::function<void()> changed;
    uint64_t nextRead = 1;
    std::map<uint64_t, std::function<void(PasteboardContent)>> reads;
    std::unique_ptr<Worker> worker;

    void send(Command command);
    void deliverCount();
    void deliverRead(uint64_t id, PasteboardContent content);
};

struct X11Pasteboard::Impl::Worker {
    Worker(Impl* owner, xcb_connection_t* conn, const Atoms& atoms, xcb_window_t ownerWindow,
           xcb_window_t readerWindow, uint8_t xfixesEvent)
        : owner(owner),
          receiver(owner->receiver.get()),
          conn(conn),
          atoms(atoms),
          ownerWindow(ownerWindow),
          readerWindow(readerWindow),
          xfixesEvent(xfixesEvent),
          wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Worker() {
        if (thread.joinable()) {
            post(Quit{});
            // A frozen server can hold the thread in a reply; closing the socket under it
            // ends the wait with a connection error.
            if (stopped.wait_for(kStopPatience) != std::future_status::ready)
                shutdown(xcb_get_file_descriptor(conn), SHUT_RDWR);
            thread.join();
        }
        if (wake >= 0) close(wake);
        xcb_disconnect(conn);
    }

    void start() {
        thread = std::thread([this] {
            pthread_setname_np(pthread_self(), "quenda-clipboard");
            run();
            stoppedPromise.set_value();
        });
    }

    // --- From the opening thread ---
    void post(Command command) {
        {
            std::lock_guard lock(mutex);
            commands.push_back(std::move(command));
        }
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake, &one, sizeof one);
    }

    // --- On the worker thread ---
    void run();
    bool takeCommands();
    void handle(xcb_generic_event_t* event);
    void connectionLost();

    void advanceCount();

    void write(const WriteRequest& request);
    void answer(const xcb_selection_request_event_t* request);
    bool serve(const Offer& offer, xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property,
               bool allowIncremental);
    bool serveMultiple(const Offer& offer, xcb_window_t requestor, xcb_atom_t property);
    void sendNextPiece(xcb_window_t window, xcb_atom_t property);
    void lost(const xcb_selection_clear_event_t* clear);

    void startRead();
    void convert(xcb_atom_t target, qsizetype cap, bool textual = false);
    void delivered(const xcb_selection_notify_event_t* notify);
    void pieceArrived(const xcb_property_notify_event_t* notify);
    void transferEnded(bool ok);
    void nextStage();
    void finishRead(bool complete);
    std::vector<QString> names(const std::vector<xcb_atom_t>& atoms);
    bool offered(xcb_atom_t target) const;

    std::optional<Clock::time_point> nextDeadline() const;
    void expire(Clock::time_point now);

    Impl* owner;
    QObject* receiver;  // outlives the thread
    xcb_connection_t* conn;
    Atoms atoms;
    xcb_window_t ownerWindow, readerWindow;
    uint8_t xfixesEvent;
    int wake;
    std::thread thread;
    std::promise<void> stoppedPromise;
    std::future<void> stopped = stoppedPromise.get_future();
    std::mutex mutex;
    std::deque<Command> commands;
    bool quitting = false;
    bool dead = false;

    std::atomic<int64_t> count{0};
    std::atomic<bool> countPosted{false};
    // Pastes of what we offer, in all and by client (a window id's client part).
    std::atomic<int64_t> pastes{0};
    std::mutex pastesMutex;
    std::map<uint32_t, int64_t> pastesByClient;
    uint32_t clientMask = 0;
    void countPaste(xcb_window_t requestor) {
        pastes.fetch_add(1);
        std::lock_guard lock(pastesMutex);
        ++pastesByClient[requestor & clientMask];
    }

    std::optional<Offer> clipboard, primary;
    int unconfirmedClaims = 0;  // our own claims of CLIPBOARD whose XFixes event is still due
    std::vector<OutgoingTransfer> outgoing;

    enum class Stage { Targets, Marker, Files, Text, Image };
    struct ReadJob {
        ReadRequest request;
        PasteboardContent content;
        xcb_atom_t selection = XCB_NONE;  // CLIPBOARD, or PRIMARY
        Stage stage = Stage::Targets;
        std::vector<xcb_atom_t> offered;
        std::vector<xcb_atom_t> candidates;  // of the current stage, tried in order
        Clock::time_point ceiling;
    };
    std::deque<ReadRequest> queuedReads;
    std::optional<ReadJob> job;
    IncomingTransfer incoming;
    int nextProperty = 0;
    std::map<xcb_atom_t, QString> atomNames;
};

namespace {

std::vector<xcb_atom_t> internAll(xcb_connection_t* conn, const std::vector<const char*>& names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const char* name : names)
        cookies.push_back(xcb_intern_atom(conn, 0, uint16_t(std::strlen(name)), name));
    std::vector<xcb_atom_t> result;
    for (auto cookie : cookies) {
        x11::Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(conn, cookie, nullptr));
        result.push_back(r ? r->atom : xcb_atom_t(XCB_ATOM_NONE));
    }
    return result;
}

xcb_window_t createHiddenWindow(xcb_connection_t* conn, xcb_window_t root, uint32_t events) {
    const xcb_window_t window = xcb_generate_id(conn);
    const uint32_t values[] = {1, events};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, root, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    return window;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The worker's loop: X events, commands from the opening thread, deadlines.

void X11Pasteboard::Impl::Worker::run() {
    while (!quitting) {
        if (!dead && xcb_connection_has_error(conn)) connectionLost();
        if (!dead) {
            while (auto* event = xcb_poll_for_event(conn)) {
                handle(event);
                std::free(event);
            }
        }
        if (takeCommands()) continue;
        if (quitting) break;
        expire(Clock::now());
        if (!dead) {
            // Handling may have read events along with replies; take those before sleeping.
            if (auto* event = xcb_poll_for_queued_event(conn)) {
                handle(event);
                std::free(event);
                continue;
            }
            xcb_flush(conn);
        }
        pollfd fds[2] = {{wake, POLLIN, 0}, {dead ? -1 : xcb_get_file_descriptor(conn), POLLIN, 0}};
        int timeout = -1;
        if (const auto deadline = nextDeadline()) {
            const auto left =
                std::chrono::duration_cast<milliseconds>(*deadline - Clock::now()).count() + 1;
            timeout = int(std::clamp<long long>(left, 0, 60000));
        }
        ::poll(fds, 2, timeout);
    }
}

// Carries out what the opening thread asked for; whether there was anything.
bool X11Pasteboard::Impl::Worker::takeCommands() {
    uint64_t drained;
    [[maybe_unused]] ssize_t n = ::read(wake, &drained, sizeof drained);
    std::deque<Command> taken;
    {
        std::lock_guard lock(mutex);
        taken.swap(commands);
    }
    for (Command& command : taken) {
        if (std::holds_alternative<Quit>(command)) {
            quitting = true;
        } else if (auto* read = std::get_if<ReadRequest>(&command)) {
            queuedReads.push_back(std::move(*read));
        } else if (!dead) {
            write(std::get<WriteRequest>(command));
        }
    }
    if (!job && !queuedReads.empty()) startRead();
    return !taken.empty();
}

void X11Pasteboard::Impl::Worker::handle(xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == 0) return;  // an error: a requestor or owner window that went away
    if (type == xfixesEvent + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* e = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
        if (e->selection != atoms.clipboard) return;
        if (e->owner == ownerWindow &&
            e->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER) {
            if (unconfirmedClaims > 0 && --unconfirmedClaims == 0 && clipboard)
                clipboard->time = e->selection_timestamp;
        } else if (job && job->selection == atoms.clipboard) {
            // Another owner took over, or the one we read from went away, mid-read.
            finishRead(false);
        }
        advanceCount();
        return;
    }
    switch (type) {
        case XCB_SELECTION_REQUEST:
            answer(reinterpret_cast<xcb_selection_request_event_t*>(event));
            break;
        case XCB_SELECTION_CLEAR:
            lost(reinterpret_cast<xcb_selection_clear_event_t*>(event));
            break;
        case XCB_SELECTION_NOTIFY:
            delivered(reinterpret_cast<xcb_selection_notify_event_t*>(event));
            break;
        case XCB_PROPERTY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (e->state == XCB_PROPERTY_DELETE)
                sendNextPiece(e->window, e->atom);
            else if (e->window == readerWindow)
                pieceArrived(e);
            break;
        }
        default:
            break;
    }
}

void X11Pasteboard::Impl::Worker::connectionLost() {
    dead = true;
    outgoing.clear();
    clipboard.reset();
    primary.reset();
    if (job) finishRead(false);
    // Reads still asked for are answered as the loop goes on: empty.
}

void X11Pasteboard::Impl::Worker::advanceCount() {
    count.fetch_add(1);
    if (!countPosted.exchange(true)) {
        Impl* impl = owner;
        QMetaObject::invokeMethod(
            receiver, [impl] { impl->deliverCount(); }, Qt::QueuedConnection);
    }
}

std::optional<Clock::time_point> X11Pasteboard::Impl::Worker::nextDeadline() const {
    std::optional<Clock::time_point> next;
    auto consider = [&](Clock::time_point t) {
        if (!next || t < *next) next = t;
    };
    if (job && incoming.state != IncomingTransfer::State::Idle) {
        consider(incoming.deadline);
        consider(job->ceiling);
    }
    for (const OutgoingTransfer& t : outgoing) consider(t.deadline);
    return next;
}

void X11Pasteboard::Impl::Worker::expire(Clock::time_point now) {
    if (job && incoming.state != IncomingTransfer::State::Idle &&
        (now >= incoming.deadline || now >= job->ceiling))
        finishRead(false);
    while (!job && !queuedReads.empty()) startRead();
    std::erase_if(outgoing, [&](const OutgoingTransfer& t) { return now >= t.deadline; });
}

// ---------------------------------------------------------------------------------------------
// Owning the selections.

void X11Pasteboard::Impl::Worker::write(const WriteRequest& request) {
    Offer offer;
    auto add = [&](xcb_atom_t target, xcb_atom_t type, const QByteArray& bytes) {
        offer.targets.push_back({target, type, bytes});
    };
    auto addText = [&](Offer& o, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        o.targets.push_back({atoms.utf8String, atoms.utf8String, utf8});
        o.targets.push_back({atoms.textPlainUtf8, atoms.textPlainUtf8, utf8});
        o.targets.push_back({atoms.textPlain, atoms.textPlain, utf8});
        o.targets.push_back({XCB_ATOM_STRING, XCB_ATOM_STRING, text.toLatin1()});
        o.targets.push_back({atoms.text, atoms.utf8String, utf8});
    };
    switch (request.kind) {
        case WriteRequest::Kind::Text:
            addText(offer, request.text);
            break;
        case WriteRequest::Kind::Image:
            add(atoms.png, atoms.png, request.png);
            break;
        case WriteRequest::Kind::Files: {
            add(atoms.uriList, atoms.uriList, uriList(request.paths));
            add(atoms.gnomeFiles, atoms.gnomeFiles, gnomeCopiedFiles(request.paths));
            QStringList lines;
            for (const QString& p : request.paths) lines << p;
            addText(offer, lines.join('\n'));
            break;
        }
    }
    clipboard = std::move(offer);
    ++unconfirmedClaims;
    xcb_set_selection_owner(conn, ownerWindow, atoms.clipboard, XCB_CURRENT_TIME);
    if (request.kind == WriteRequest::Kind::Text && request.alsoSelection) {
        primary.emplace();
        addText(*primary, request.text);
        xcb_set_selection_owner(conn, ownerWindow, XCB_ATOM_PRIMARY, XCB_CURRENT_TIME);
    }
    xcb_flush(conn);
}

void X11Pasteboard::Impl::Worker::answer(const xcb_selection_request_event_t* request) {
    const Offer* offer = nullptr;
    if (request->owner == ownerWindow) {
        if (request->selection == atoms.clipboard && clipboard) offer = &*clipboard;
        if (request->selection == XCB_ATOM_PRIMARY && primary) offer = &*primary;
    }
    // Clients from before ICCCM name no property: the target is the property then.
    const xcb_atom_t property = request->property ? request->property : request->target;
    bool ok = false;
    if (offer) {
        if (request->target == atoms.multiple && request->property) {
            if (serveMultiple(*offer, request->requestor, property) &&
                request->requestor != readerWindow)
                countPaste(request->requestor);
            ok = true;
        } else {
            ok = serve(*offer, request->requestor, request->target, property, true);
            // Another program taking the content is a paste; our own reads are not, nor are
            // questions about the copy. A large answer counts once its last piece is out.
            const bool content = request->target != atoms.targets &&
                                 request->target != atoms.timestamp &&
                                 request->requestor != readerWindow;
            if (ok && content) {
                auto it = std::find_if(outgoing.begin(), outgoing.end(), [&](const auto& o) {
                    return o.requestor == request->requestor && o.property == property;
                });
                if (it != outgoing.end())
                    it->paste = true;
                else
                    countPaste(request->requestor);
            }
        }
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request->time;
    notify.requestor = request->requestor;
    notify.selection = request->selection;
    notify.target = request->target;
    notify.property = ok ? property : xcb_atom_t(XCB_NONE);
    xcb_send_event(conn, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(conn);
}

bool X11Pasteboard::Impl::Worker::serve(const Offer& offer, xcb_window_t requestor,
                                        xcb_atom_t target, xcb_atom_t property,
                                        bool allowIncremental) {
    if (target == atoms.targets) {
        std::vector<xcb_atom_t> list = {atoms.targets, atoms.timestamp, atoms.multiple};
        for (const Offer::Target& t : offer.targets) list.push_back(t.target);
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            uint32_t(list.size()), list.data());
        return true;
    }
    if (target == atoms.timestamp) {
        const uint32_t time = offer.time;
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32,
                            1, &time);
        return true;
    }
    const Offer::Target* t = offer.find(target);
    if (!t) return false;
    if (t->bytes.size() <= kChunk) {
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, requestor, property, t->type, 8,
                            uint32_t(t->bytes.size()), t->bytes.constData());
        return true;
    }
    if (!allowIncremental) return false;
    // Too large for one property: announce the size, then a piece per deletion.
    if (requestor != readerWindow && requestor != ownerWindow) {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(conn, requestor, XCB_CW_EVENT_MASK, &mask);
    }
    std::erase_if(outgoing, [&](const OutgoingTransfer& o) {
        return o.requestor == requestor && o.property == property;
    });
    outgoing.push_back(
        {requestor, property, t->type, t->bytes, 0, Clock::now() + kRequestorPatience});
    const uint32_t size = uint32_t(std::min<qsizetype>(t->bytes.size(), UINT32_MAX));
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, requestor, property, atoms.incr, 32, 1, &size);
    return true;
}

// Several targets in one request: the property lists (target, property) pairs; a pair that
// cannot be served gets None as its property. Large targets are refused here. Whether any
// content (not only the list of targets or the time) went out.
bool X11Pasteboard::Impl::Worker::serveMultiple(const Offer& offer, xcb_window_t requestor,
                                                xcb_atom_t property) {
    x11::PropReply r(xcb_get_property_reply(
        conn, xcb_get_property(conn, 0, requestor, property, atoms.atomPair, 0, 1024), nullptr));
    std::vector<uint32_t> pairs = x11::values32(r.get());
    bool content = false;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
        if (!pairs[i + 1] || !serve(offer, requestor, pairs[i], pairs[i + 1], false))
            pairs[i + 1] = XCB_NONE;
        else if (pairs[i] != atoms.targets && pairs[i] != atoms.timestamp)
            content = true;
    }
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, requestor, property, atoms.atomPair, 32,
                        uint32_t(pairs.size()), pairs.data());
    return content;
}

void X11Pasteboard::Impl::Worker::sendNextPiece(xcb_window_t window, xcb_atom_t property) {
    auto it = std::find_if(outgoing.begin(), outgoing.end(), [&](const OutgoingTransfer& o) {
        return o.requestor == window && o.property == property;
    });
    if (it == outgoing.end()) return;
    const qsizetype size = std::min(kChunk, it->bytes.size() - it->offset);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, property, it->type, 8, uint32_t(size),
                        it->bytes.constData() + it->offset);
    it->offset += size;
    it->deadline = Clock::now() + kRequestorPatience;
    if (size == 0) {  // the empty piece ends it
        if (it->paste) countPaste(it->requestor);
        outgoing.erase(it);
        const bool stillUsed =
            std::any_of(outgoing.begin(), outgoing.end(),
                        [&](const OutgoingTransfer& o) { return o.requestor == window; });
        if (!stillUsed && window != readerWindow && window != ownerWindow) {
            const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(conn, window, XCB_CW_EVENT_MASK, &none);
        }
    }
    xcb_flush(conn);
}

void X11Pasteboard::Impl::Worker::lost(const xcb_selection_clear_event_t* clear) {
    if (clear->owner != ownerWindow) return;
    if (clear->selection == atoms.clipboard) {
        // A loss from before our latest claim was confirmed belongs to an older copy.
        if (unconfirmedClaims == 0) clipboard.reset();
    } else if (clear->selection == XCB_ATOM_PRIMARY) {
        primary.reset();
    }
}

// ---------------------------------------------------------------------------------------------
// Reading the clipboard: its targets, a password manager's marker, then files, text, image.

void X11Pasteboard::Impl::Worker::startRead() {
    job.emplace();
    job->request = std::move(queuedReads.front());
    queuedReads.pop_front();
    job->content.changeCount = count.load();
    job->selection = job->request.what.selection ? xcb_atom_t(XCB_ATOM_PRIMARY) : atoms.clipboard;
    job->ceiling = Clock::now() + kReadCeiling;
    if (dead) {
        finishRead(false);
        return;
    }
    if (job->request.what.selection && job->request.what.selectionOwner) {
        // Only what that window's program has selected: another program's selection, or
        // ours, is not its selection.
        x11::Reply<xcb_get_selection_owner_reply_t> r(xcb_get_selection_owner_reply(
            conn, xcb_get_selection_owner(conn, job->selection), nullptr));
        const uint32_t wanted = uint32_t(*job->request.what.selectionOwner);
        if (!r || r->owner == XCB_NONE || (r->owner & clientMask) != (wanted & clientMask))
            return finishRead(true);
    }
    job->stage = Stage::Targets;
    convert(atoms.targets, 64 * 1024);
}

void X11Pasteboard::Impl::Worker::convert(xcb_atom_t target, qsizetype cap, bool textual) {
    // A fresh property each time, so that pieces of an abandoned transfer are not taken for
    // this one's.
    nextProperty = (nextProperty + 1) % 4;
    incoming = IncomingTransfer{};
    incoming.state = IncomingTransfer::State::AwaitingNotify;
    incoming.target = target;
    incoming.property = atoms.properties[nextProperty];
    incoming.cap = cap;
    incoming.textual = textual;
    incoming.maxTextLength = job->request.what.maxTextLength;
    incoming.deadline = Clock::now() + kOwnerPatience;
    xcb_delete_property(conn, readerWindow, incoming.property);
    xcb_convert_selection(conn, readerWindow, job->selection, target, incoming.property,
                          XCB_CURRENT_TIME);
    xcb_flush(conn);
}

void X11Pasteboard::Impl::Worker::delivered(const xcb_selection_notify_event_t* notify) {
    if (!job || incoming.state != IncomingTransfer::State::AwaitingNotify ||
        notify->requestor != readerWindow || notify->selection != job->selection ||
        notify->target != incoming.target ||
        (notify->property != XCB_NONE && notify->property != incoming.property))
        return;
    if (notify->property == XCB_NONE) {
        transferEnded(false);
        return;
    }
    uint32_t offset = 0;  // in 32-bit units
    for (;;) {
        x11::PropReply r(xcb_get_property_reply(
            conn,
            xcb_get_property(conn, 0, readerWindow, incoming.property, XCB_GET_PROPERTY_TYPE_ANY,
                             offset, uint32_t(kChunk / 4)),
            nullptr));
        if (!r) {
            transferEnded(false);
            return;
        }
        if (offset == 0 && r->type == atoms.incr) {
            // Deleting the size announcement asks for the first piece.
            incoming.state = IncomingTransfer::State::Incremental;
            incoming.deadline = Clock::now() + kOwnerPatience;
            xcb_delete_property(conn, readerWindow, incoming.property);
            xcb_flush(conn);
            return;
        }
        incoming.type = r->type;
        const int length = xcb_get_property_value_length(r.get());
        incoming.feed(static_cast<const char*>(xcb_get_property_value(r.get())), length,
                      XCB_ATOM_STRING);
        offset += uint32_t(length / 4);
        if (r->bytes_after == 0 || incoming.satisfied()) break;
    }
    xcb_delete_property(conn, readerWindow, incoming.property);
    transferEnded(true);
}

void X11Pasteboard::Impl::Worker::pieceArrived(const xcb_property_notify_event_t* notify) {
    if (!job || incoming.state != IncomingTransfer::State::Incremental ||
        notify->atom != incoming.property)
        return;
    x11::PropReply r(
        xcb_get_property_reply(conn,
                               xcb_get_property(conn, 1, readerWindow, incoming.property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 0x1fffffff),
                               nullptr));
    if (!r) {
        transferEnded(false);
        return;
    }
    incoming.deadline = Clock::now() + kOwnerPatience;
    const int length = xcb_get_property_value_length(r.get());
    if (length == 0) {
        transferEnded(true);
        return;
    }
    if (incoming.type == XCB_NONE) incoming.type = r->type;
    // Once enough is kept the rest is drained: the owner waits for each piece to go.
    incoming.feed(static_cast<const char*>(xcb_get_property_value(r.get())), length,
                  XCB_ATOM_STRING);
    xcb_flush(conn);
}

bool X11Pasteboard::Impl::Worker::offered(xcb_atom_t target) const {
    return std::find(job->offered.begin(), job->offered.end(), target) != job->offered.end();
}

std::vector<QString> X11Pasteboard::Impl::Worker::names(const std::vector<xcb_atom_t>& list) {
    std::vector<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> asked;
    for (xcb_atom_t a : list)
        if (a != XCB_NONE && !atomNames.count(a)) asked.push_back({a, xcb_get_atom_name(conn, a)});
    for (auto& [a, cookie] : asked) {
        x11::Reply<xcb_get_atom_name_reply_t> r(xcb_get_atom_name_reply(conn, cookie, nullptr));
        atomNames[a] = r ? QString::fromUtf8(xcb_get_atom_name_name(r.get()),
                                             xcb_get_atom_name_name_length(r.get()))
                         : QString();
    }
    std::vector<QString> result;
    for (xcb_atom_t a : list) result.push_back(a == XCB_NONE ? QString() : atomNames[a]);
    return result;
}

void X11Pasteboard::Impl::Worker::transferEnded(bool ok) {
    IncomingTransfer done = std::move(incoming);
    incoming = IncomingTransfer{};
    PasteboardContent& content = job->content;
    switch (job->stage) {
        case Stage::Targets: {
            // Some older owners label the list TARGETS rather than ATOM.
            if (!ok || (done.type != XCB_ATOM_ATOM && done.type != atoms.targets))
                return finishRead(true);
            const auto* atomsOffered = reinterpret_cast<const xcb_atom_t*>(done.bytes.constData());
            job->offered.assign(atomsOffered, atomsOffered + done.bytes.size() / 4);
            const std::vector<QString> offeredNames = names(job->offered);
            for (size_t i = 0; i < offeredNames.size(); ++i) {
                const QString& name = offeredNames[i];
                if (name.isEmpty() || isTransportTarget(name) || name == kHint) continue;
                if (!content.types.contains(name)) content.types << name;
            }
            job->stage = Stage::Marker;
            if (offered(atoms.hint)) return convert(atoms.hint, kMarkerCap);
            return nextStage();
        }
        case Stage::Marker: {
            QByteArray value = done.bytes.trimmed();
            while (value.endsWith('\0')) value.chop(1);
            if (ok && !done.overflow && value == "secret") content.types << kHint;
            return nextStage();
        }
        case Stage::Files: {
            if (ok && !done.overflow) {
                content.files = done.target == atoms.uriList
                                    ? filesFromUriList(done.bytes)
                                    : filesFromGnomeCopiedFiles(done.bytes);
                if (!content.files.empty()) return finishRead(true);
            }
            return nextStage();
        }
        case Stage::Text:
            if (ok && done.text) {
                done.text->finish();
                if (done.text->blank()) {
                    job->candidates.clear();  // the same text under another name is as blank
                } else {
                    content.text = done.text->take();
                    return finishRead(true);
                }
            }
            return nextStage();
        case Stage::Image: {
            if (ok && !done.overflow) {
                content.png =
                    done.target == atoms.png ? pngFromPng(done.bytes) : pngFromImage(done.bytes);
                if (content.png) return finishRead(true);
            }
            return nextStage();
        }
    }
}

// Starts the next conversion: the next candidate of this stage, or the next stage's first.
void X11Pasteboard::Impl::Worker::nextStage() {
    const PasteboardRead& what = job->request.what;
    for (;;) {
        if (!job->candidates.empty()) {
            const xcb_atom_t target = job->candidates.front();
            job->candidates.erase(job->candidates.begin());
            switch (job->stage) {
                case Stage::Files:
                    return convert(target, kFilesCap);
                case Stage::Text:
                    return convert(target, 0, true);
                case Stage::Image:
                    return convert(target, kImageCap);
                default:
                    break;
            }
        }
        auto offeredOf = [&](std::initializer_list<xcb_atom_t> preferred) {
            std::vector<xcb_atom_t> list;
            for (xcb_atom_t a : preferred)
                if (offered(a)) list.push_back(a);
            return list;
        };
        switch (job->stage) {
            case Stage::Targets:
            case Stage::Marker:
                // A private copy is never read beyond its marker.
                for (const QString& type : job->content.types)
                    if (what.privateTypes.contains(type)) return finishRead(true);
                job->stage = Stage::Files;
                // The other selection is read for its text only.
                if (what.files && !what.selection)
                    job->candidates = offeredOf({atoms.uriList, atoms.gnomeFiles});
                break;
            case Stage::Files:
                job->stage = Stage::Text;
                if (what.text)
                    job->candidates = offeredOf({atoms.utf8String, atoms.textPlainUtf8,
                                                 atoms.textPlain, XCB_ATOM_STRING, atoms.text});
                break;
            case Stage::Text: {
                job->stage = Stage::Image;
                if (!what.image || what.selection) break;
                if (offered(atoms.png)) job->candidates.push_back(atoms.png);
                const std::vector<QString> offeredNames = names(job->offered);
                for (size_t i = 0; i < offeredNames.size(); ++i)
                    if (isConvertibleImageType(offeredNames[i]))
                        job->candidates.push_back(job->offered[i]);
                break;
            }
            case Stage::Image:
                return finishRead(true);
        }
    }
}

void X11Pasteboard::Impl::Worker::finishRead(bool complete) {
    PasteboardContent content = std::move(job->content);
    if (!complete) {  // an owner that hung or went away: what it offered, nothing of it
        content.files.clear();
        content.text.reset();
        content.png.reset();
    }
    const uint64_t id = job->request.id;
    job.reset();
    incoming = IncomingTransfer{};
    Impl* impl = owner;
    QMetaObject::invokeMethod(
        receiver, [impl, id, content]() { impl->deliverRead(id, content); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------------
// The opening thread's side.

X11Pasteboard::Impl::~Impl() {
    worker.reset();    // joins the thread: nothing is posted after this
    receiver.reset();  // and what was posted but not delivered goes with it
}

void X11Pasteboard::Impl::send(Command command) {
    worker->post(std::move(command));
}

void X11Pasteboard::Impl::deliverCount() {
    worker->countPosted.store(false);
    const int64_t now = worker->count.load();
    if (now == count) return;
    count = now;
    if (changed) changed();
}

void X11Pasteboard::Impl::deliverRead(uint64_t id, PasteboardContent content) {
    auto it = reads.find(id);
    if (it == reads.end()) return;
    auto done = std::move(it->second);
    reads.erase(it);
    done(std::move(content));
}

std::unique_ptr<X11Pasteboard> X11Pasteboard::open(QString* error, const QString& display) {
    const QByteArray name = display.toLocal8Bit();
    xcb_connection_t* conn = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        if (error) *error = QStringLiteral("cannot connect to the X server");
        return nullptr;
    }
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(conn, &xcb_xfixes_id);
    x11::Reply<xcb_xfixes_query_version_reply_t> version(
        xfixes && xfixes->present
            ? xcb_xfixes_query_version_reply(conn, xcb_xfixes_query_version(conn, 5, 0), nullptr)
            : nullptr);
    if (!version) {
        xcb_disconnect(conn);
        if (error) *error = QStringLiteral("the X server lacks the XFixes extension");
        return nullptr;
    }
    const std::vector<xcb_atom_t> a = internAll(
        conn, {"CLIPBOARD", "TARGETS", "MULTIPLE", "TIMESTAMP", "INCR", "ATOM_PAIR", "UTF8_STRING",
               "TEXT", "text/plain;charset=utf-8", "text/plain", "text/uri-list",
               "x-special/gnome-copied-files", "image/png", kHint, "_QUENDA_CLIPBOARD_0",
               "_QUENDA_CLIPBOARD_1", "_QUENDA_CLIPBOARD_2", "_QUENDA_CLIPBOARD_3"});
    if (std::count(a.begin(), a.end(), xcb_atom_t(XCB_ATOM_NONE)) > 0) {
        xcb_disconnect(conn);
        if (error) *error = QStringLiteral("the X server did not answer");
        return nullptr;
    }
    const Atoms atoms{a[0],  a[1],  a[2],  a[3],  a[4],
                      a[5],  a[6],  a[7],  a[8],  a[9],
                      a[10], a[11], a[12], a[13], {a[14], a[15], a[16], a[17]}};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    const xcb_window_t ownerWindow = createHiddenWindow(conn, root, XCB_EVENT_MASK_NO_EVENT);
    const xcb_window_t readerWindow =
        createHiddenWindow(conn, root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    xcb_xfixes_select_selection_input(conn, readerWindow, atoms.clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(conn);

    auto impl = std::make_unique<Impl>();
    impl->receiver = std::make_unique<QObject>();
    impl->worker = std::make_unique<Impl::Worker>(impl.get(), conn, atoms, ownerWindow,
                                                  readerWindow, xfixes->first_event);
    if (impl->worker->wake < 0) {
        if (error) *error = QStringLiteral("no eventfd for the clipboard worker");
        return nullptr;
    }
    // The bits of a window id that name its client.
    impl->worker->clientMask = ~xcb_get_setup(conn)->resource_id_mask;
    impl->worker->start();
    return std::unique_ptr<X11Pasteboard>(new X11Pasteboard(std::move(impl)));
}

X11Pasteboard::X11Pasteboard(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}
X11Pasteboard::~X11Pasteboard() = default;

int64_t X11Pasteboard::changeCount() {
    return d_->count;
}

void X11Pasteboard::setChangeHandler(std::function<void()> changed) {
    d_->changed = std::move(changed);
}

void X11Pasteboard::read(const PasteboardRead& what, std::function<void(PasteboardContent)> done) {
    const uint64_t id = d_->nextRead++;
    d_->reads.emplace(id, std::move(done));
    d_->send(ReadRequest{id, what});
}

void X11Pasteboard::writeText(const QString& text, bool alsoSelection) {
    WriteRequest request{WriteRequest::Kind::Text};
    request.text = text;
    request.alsoSelection = alsoSelection;
    d_->send(std::move(request));
}

void X11Pasteboard::writeImage(const QByteArray& png) {
    WriteRequest request{WriteRequest::Kind::Image};
    request.png = png;
    d_->send(std::move(request));
}

std::optional<int64_t> X11Pasteboard::pasteCount(std::optional<uint64_t> by) {
    Impl::Worker& w = *d_->worker;
    if (!by) return w.pastes.load();
    std::lock_guard lock(w.pastesMutex);
    const auto it = w.pastesByClient.find(uint32_t(*by) & w.clientMask);
    return it == w.pastesByClient.end() ? 0 : it->second;
}

void X11Pasteboard::writeFiles(const std::vector<QString>& paths) {
    WriteRequest request{WriteRequest::Kind::Files};
    request.paths = paths;
    d_->send(std::move(request));
}

}  // namespace quenda
