#include <gtest/gtest.h>

#include <map>
#include <set>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "bridge/Relay.h"
#include "core/Settings.h"
#include "core/tests/SimulatedDesk.h"
#include "platform/ports/UserFolders.h"
#include "platform/sim/NoDesktopOpener.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimSyntheticKeys.h"

// The bridge on the simulated desktop: its applications copy what they have selected when
// they get their copy chord, and record what they are pasted and each Return.

namespace quenda {
namespace {

using Press = SimSyntheticKeys::Press;

struct Folders : UserFolders {
    QTemporaryDir home;
    QString applicationSupport() override { return home.path(); }
};

const QString kSecret = QStringLiteral("x-kde-passwordManagerHint");

// A user template list holding one template "t" with `body`.
void writeTemplates(const AppPaths& paths, const QString& body) {
    const std::vector<PromptTemplate> list{{QStringLiteral("t"), QStringLiteral("T"), body}};
    QDir().mkpath(paths.support());
    QFile file(QDir(paths.support()).filePath(Templates::kFileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Templates::encode(list));
}

struct BridgeDesk : testing::SimulatedDesk {
    BridgeDesk()
        : SimulatedDesk(QStringLiteral("1440x900+0+0")),
          paths(folders),
          templates(paths, prefs, opener),
          relay({desktop,
                 desktop,
                 board,
                 keys,
                 clock,
                 hud,
                 l10n,
                 prefs,
                 templates,
                 {kSecret},
                 [](const QString& action) {
                     return action == QLatin1String("bridge.mark") ? QStringLiteral("Alt+Shift+1")
                                                                   : QStringLiteral("Ctrl+Alt+G");
                 }}) {
        editor = desktop.open(201, "Mousepad", "notas.txt", {0, 0, 600, 400});
        chat = desktop.open(202, "Chat", "Asistente", {600, 0, 600, 400});
        keys.onPost = [this](const Press& press) { react(press); };
    }

    // What the application in front does with a key.
    void react(const Press& press) {
        const std::optional<int32_t> pid = desktop.frontmostPid();
        if (!pid) return;
        const std::optional<WindowRef> front = desktop.focusedWindow(*pid);
        if (!front) return;
        const uint64_t id = front->id;
        typedKeys.push_back({id, press});
        if (press.key == SyntheticKey::c && selected.count(id)) {
            PasteboardContent copy;
            copy.types = {QStringLiteral("text/plain;charset=utf-8")};
            copy.text = selected[id];
            board.copy(copy);
        } else if (press.key == SyntheticKey::v || press.key == SyntheticKey::insert) {
            if (ignoresPaste.count(id)) return;
            const PasteboardContent& c = board.current();
            QString pasted;
            if (press.key == SyntheticKey::insert)
                pasted = board.selectionText().value_or(QString());
            else if (!c.files.empty())
                pasted = QStringLiteral("files:") +
                         QStringList(c.files.begin(), c.files.end()).join(',');
            else
                pasted = c.text.value_or(QString());
            received[id] += pasted;
            board.takePaste(id);
        } else if (press.key == SyntheticKey::returnKey) {
            received[id] += QLatin1Char('\n');
        }
    }

    void focus(uint64_t id) { desktop.focus(id); }
    void mark(uint64_t id) {
        focus(id);
        relay.markTarget();
    }
    // Selects `text` in the window and makes it the one in front.
    void select(uint64_t id, const QString& text) {
        selected[id] = text;
        focus(id);
    }
    std::vector<QString> messages() const {
        std::vector<QString> out;
        for (const auto& m : hud.messages) out.push_back(m.text);
        return out;
    }
    uint64_t activeWindow() {
        const auto pid = desktop.frontmostPid();
        return pid ? desktop.focusedWindow(*pid).value_or(WindowRef{}).id : 0;
    }
    void useTemplate(const QString& body) {
        writeTemplates(paths, body);
        defaults.setValue("templateID", QStringLiteral("t"));
    }

    Folders folders;
    AppPaths paths;
    NoDesktopOpener opener;
    Templates templates;
    SimPasteboard board;
    SimSyntheticKeys keys;
    Relay relay;
    uint64_t editor = 0, chat = 0;
    std::map<uint64_t, QString> selected;
    std::map<uint64_t, QString> received;
    std::set<uint64_t> ignoresPaste;  // windows whose program does nothing on a paste
    std::vector<std::pair<uint64_t, Press>> typedKeys;
};

TEST(Relay, MarksTheTargetAndSendsTheSelectionWithReturn) {
    BridgeDesk d;
    d.mark(d.chat);
    EXPECT_EQ(d.hud.last(), QStringLiteral("🎯 Destino: Chat — Asistente"));
    ASSERT_TRUE(d.relay.target);
    EXPECT_EQ(d.relay.target->window.ref(), (WindowRef{202, d.chat}));

    d.select(d.editor, "hola mundo");
    d.relay.sendSelection(true);
    d.clock.advance(3);
    EXPECT_EQ(d.received[d.chat], QStringLiteral("hola mundo\n"));
    EXPECT_EQ(d.hud.last(), QStringLiteral("➜ Enviado a Chat — Asistente"));
    EXPECT_EQ(d.activeWindow(), d.chat);  // no way back unless asked for
    ASSERT_TRUE(d.relay.lastSource);
    EXPECT_EQ(d.relay.lastSource->window.ref().id, d.editor);
    // The copy stays on the clipboard; the editor got its Ctrl+C and nothing else.
    EXPECT_EQ(d.board.current().text, QStringLiteral("hola mundo"));
    ASSERT_EQ(d.typedKeys.size(), 3u);
    EXPECT_EQ(d.typedKeys[0].first, d.editor);
    EXPECT_EQ(d.typedKeys[0].second, (Press{SyntheticKey::c, {.control = true}}));
    EXPECT_EQ(d.typedKeys[1].second, (Press{SyntheticKey::v, {.control = true}}));
    EXPECT_EQ(d.typedKeys[2].second, (Press{SyntheticKey::returnKey, {}}));
    EXPECT_FALSE(d.relay.busy());
}

// With the paste seen, the Return follows it at once; the fixed times of the other desktop
// apply only when nothing tells (a copy sent as it is): Return 0.35 s after the paste.
TEST(Relay, ReturnFollowsThePasteItWaitsFor) {
    for (bool observable : {true, false}) {
        SCOPED_TRACE(observable ? "pastes seen" : "pastes not seen");
        BridgeDesk d;
        d.board.countsPastes = observable;
        d.mark(d.chat);
        d.select(d.editor, "uno");
        d.relay.sendSelection(true);
        d.clock.advance(0.3);
        EXPECT_EQ(d.received[d.chat], observable ? QString("uno\n") : QString("uno"));
        d.clock.advance(0.1);
        EXPECT_EQ(d.received[d.chat], QStringLiteral("uno\n"));
    }
}

TEST(Relay, TheWayBackFromTheTarget) {
    BridgeDesk d;
    d.mark(d.chat);
    // From the target before anything was sent to it: nowhere to go.
    d.select(d.chat, "respuesta");
    d.relay.sendSelection(false);
    d.clock.advance(2);
    EXPECT_EQ(d.hud.last(),
              QStringLiteral("Ya estás en el destino: envía antes desde otra ventana"));
    EXPECT_TRUE(d.received.empty());

    d.select(d.editor, "pregunta");
    d.relay.sendSelection(false);
    d.clock.advance(2);
    EXPECT_EQ(d.received[d.chat], QStringLiteral("pregunta"));

    // From the target now: the reply goes back to the editor, and the way back stays.
    d.defaults.setValue("relayReturn", true);
    d.select(d.chat, "respuesta");
    d.relay.sendSelection(false);
    d.clock.advance(2);
    EXPECT_EQ(d.received[d.editor], QStringLiteral("respuesta"));
    EXPECT_EQ(d.hud.last(), QStringLiteral("➜ Enviado a Mousepad — notas.txt"));
    EXPECT_EQ(d.relay.lastSource->window.ref().id, d.editor);
    // "Return to the source": the target, where the send started, is active again.
    EXPECT_EQ(d.activeWindow(), d.chat);
}

TEST(Relay, FromOneOfOurOwnWindowsTheCopyStillGoesOut) {
    BridgeDesk d;
    d.mark(d.chat);
    const uint64_t own =
        d.desktop.open(d.desktop.ownProcess, "Quenda", "Panel", {0, 500, 300, 200});
    d.select(own, "desde Quenda");
    d.relay.sendSelection(false);
    d.clock.advance(2);
    EXPECT_EQ(d.typedKeys.front(),
              (std::pair<uint64_t, Press>{own, {SyntheticKey::c, {.control = true}}}));
    EXPECT_EQ(d.received[d.chat], QStringLiteral("desde Quenda"));
    EXPECT_FALSE(d.relay.lastSource);  // no source: the way back is unchanged
}

TEST(Relay, TemplatesFrameTextsAndLeaveFilesAlone) {
    struct Case {
        const char* name;
        QString body;
        PasteboardContent copy;
        QString pasted;
    } cases[] = {
        {"framed with the source's application and window",
         "[{app}|{ventana}] {texto}",
         {.types = {"text/plain"}, .files = {}, .text = "abc", .png = {}},
         "[Mousepad|notas.txt] abc"},
        {"the text alone",
         "{texto}",
         {.types = {"text/plain"}, .files = {}, .text = "x {y}", .png = {}},
         "x {y}"},
        {"placeholders inside the copy stay as they are",
         "{texto} ({app})",
         {.types = {"text/plain"}, .files = {}, .text = "ver {app} y {ventana}", .png = {}},
         "ver {app} y {ventana} (Mousepad)"},
        {"files travel unchanged",
         "{texto}!",
         {.types = {"text/uri-list"},
          .files = {"/tmp/a.txt", "/tmp/b c.png"},
          .text = {},
          .png = {}},
         "files:/tmp/a.txt,/tmp/b c.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BridgeDesk d;
        d.useTemplate(c.body);
        d.mark(d.chat);
        d.focus(d.editor);
        d.board.copy(c.copy);
        d.relay.sendClipboard(false);
        d.clock.advance(2);
        EXPECT_EQ(d.received[d.chat], c.pasted);
    }
}

// A password manager's copy is never read: it goes as it is, and the clipboard still says
// it is private (the history will not keep it).
TEST(Relay, APrivateCopyIsSentAsItIs) {
    BridgeDesk d;
    d.useTemplate("<<{texto}>>");
    d.mark(d.chat);
    d.focus(d.editor);
    d.board.copy({.types = {kSecret, "text/plain"}, .files = {}, .text = "s3cret", .png = {}});
    const int64_t count = d.board.changeCount();
    d.relay.sendClipboard(false);
    d.clock.advance(2);
    EXPECT_EQ(d.received[d.chat], QStringLiteral("s3cret"));
    EXPECT_EQ(d.board.changeCount(), count);
    EXPECT_TRUE(d.board.current().types.contains(kSecret));
}

TEST(Relay, TerminalsCopyAndPasteTheirOwnWay) {
    BridgeDesk d;
    const uint64_t xterm = d.desktop.open(203, "XTerm", "bash", {0, 400, 600, 400});
    const uint64_t konsole = d.desktop.open(204, "konsole", "zsh", {600, 400, 600, 400});

    // xterm copies by selecting: its selection is the copy, and no key reaches it.
    d.mark(d.chat);
    d.focus(xterm);
    d.board.select("ls -la", xterm);
    d.relay.sendSelection(false);
    d.clock.advance(2);
    EXPECT_EQ(d.received[d.chat], QStringLiteral("ls -la"));
    for (const auto& [window, press] : d.typedKeys) EXPECT_NE(window, xterm);

    // Into xterm the text goes by its other selection, with Shift+Insert.
    d.mark(xterm);
    d.select(d.editor, "echo hola");
    d.relay.sendSelection(true);
    d.clock.advance(2);
    EXPECT_EQ(d.received[xterm], QStringLiteral("echo hola\n"));

    // Other terminals take Ctrl+Shift+C and Ctrl+Shift+V, never a Ctrl+C.
    d.typedKeys.clear();
    d.select(konsole, "pwd");
    d.relay.sendSelection(false);
    d.clock.advance(2);
    EXPECT_EQ(d.typedKeys.front().second,
              (Press{SyntheticKey::c, {.control = true, .shift = true}}));
    EXPECT_EQ(d.received[xterm], QStringLiteral("echo hola\npwd"));
}

TEST(Relay, NothingSelectedIsSaidAndNothingIsPasted) {
    BridgeDesk d;
    d.mark(d.chat);
    d.focus(d.editor);
    d.relay.sendSelection(true);
    d.clock.advance(2);
    EXPECT_EQ(d.hud.messages.back(),
              (SimHud::Message{QStringLiteral("No había nada seleccionado. Selecciona texto o "
                                              "archivos y repite (o usa 'Enviar portapapeles al "
                                              "destino')"),
                               2.6}));
    EXPECT_TRUE(d.received.empty());
    EXPECT_EQ(d.activeWindow(), d.editor);
    EXPECT_FALSE(d.relay.busy());
}

TEST(Relay, MessagesBeforeAnythingHappens) {
    BridgeDesk d;
    d.focus(d.editor);
    d.relay.sendSelection(false);
    d.relay.sendClipboard(false);
    d.relay.broadcast();
    d.desktop.frontmost.reset();
    d.relay.markTarget();
    d.relay.toggleGroupMembership();
    d.desktop.trusted = false;
    d.relay.markTarget();
    EXPECT_EQ(d.messages(), (std::vector<QString>{
                                "Primero marca un destino con Alt+Shift+1",
                                "Primero marca un destino con Alt+Shift+1",
                                "El grupo está vacío: añade ventanas con Ctrl+Alt+G",
                                "No hay ninguna ventana activa que marcar",
                                "No hay ninguna ventana activa",
                                "Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad",
                            }));
    EXPECT_TRUE(d.typedKeys.empty());
}

TEST(Relay, GroupMembershipToggles) {
    BridgeDesk d;
    d.focus(d.chat);
    d.relay.toggleGroupMembership();
    d.focus(d.editor);
    d.relay.toggleGroupMembership();
    d.focus(d.chat);
    d.relay.toggleGroupMembership();
    EXPECT_EQ(d.messages(), (std::vector<QString>{"➕ Chat — Asistente · 1 en el grupo",
                                                  "➕ Mousepad — notas.txt · 2 en el grupo",
                                                  "➖ Fuera del grupo · quedan 1"}));
    ASSERT_EQ(d.relay.group.size(), 1u);
    d.relay.removeFromGroup(1);  // an index equal to the size: nothing
    d.relay.removeFromGroup(-1);
    EXPECT_EQ(d.relay.group.size(), 1u);
    d.relay.removeFromGroup(0);
    EXPECT_TRUE(d.relay.group.empty());
}

TEST(Relay, BroadcastGoesToEveryOtherMemberInGroupOrder) {
    BridgeDesk d;
    std::vector<uint64_t> terms;
    for (int32_t pid : {301, 302, 303}) {
        terms.push_back(d.desktop.open(pid, "Term", QString("t%1").arg(pid), {0, 0, 400, 300}));
        d.focus(terms.back());
        d.relay.toggleGroupMembership();
    }
    d.focus(d.editor);
    d.relay.toggleGroupMembership();  // the source is a member too: it is left out
    std::vector<uint64_t> order;
    d.keys.onPost = [&](const Press& press) {
        if (press.key == SyntheticKey::v) order.push_back(d.activeWindow());
        d.react(press);
    };

    d.select(d.editor, "a todos");
    d.relay.broadcast();
    d.clock.advance(5);
    EXPECT_EQ(order, terms);
    for (uint64_t t : terms) EXPECT_EQ(d.received[t], QStringLiteral("a todos\n"));
    EXPECT_EQ(d.received.count(d.editor), 0u);
    EXPECT_EQ(d.hud.last(), QStringLiteral("📣 Enviado a 3 ventanas"));

    // Without Return when the setting says so.
    d.defaults.setValue("broadcastEnter", false);
    d.select(d.editor, "+");
    d.relay.broadcast();
    d.clock.advance(5);
    EXPECT_EQ(d.received[terms[0]], QStringLiteral("a todos\n+"));
}

// When nothing tells that a window took its paste, each window takes the other desktop's
// full second with Return: three windows, about three seconds.
TEST(Relay, BroadcastWithReturnTakesAboutASecondPerWindowWhenPastesCannotBeSeen) {
    BridgeDesk d;
    d.board.countsPastes = false;
    std::vector<uint64_t> terms;
    for (int32_t pid : {301, 302, 303}) {
        terms.push_back(d.desktop.open(pid, "Term", "t", {0, 0, 400, 300}));
        d.focus(terms.back());
        d.relay.toggleGroupMembership();
    }
    d.hud.messages.clear();
    d.select(d.editor, "x");
    d.relay.broadcast();
    const double start = d.clock.now();
    while (d.hud.messages.empty() && d.clock.now() - start < 10) d.clock.advance(0.01);
    EXPECT_EQ(d.hud.last(), QStringLiteral("📣 Enviado a 3 ventanas"));
    EXPECT_GT(d.clock.now() - start, 1.9);
    EXPECT_LT(d.clock.now() - start, 3.2);
}

TEST(Relay, BroadcastFromTheOnlyMember) {
    BridgeDesk d;
    d.focus(d.editor);
    d.relay.toggleGroupMembership();
    d.select(d.editor, "solo");
    d.relay.broadcast();
    d.clock.advance(2);
    EXPECT_EQ(d.hud.last(), QStringLiteral("No hay otras ventanas en el grupo"));
    EXPECT_TRUE(d.received.empty());
}

TEST(Relay, DeliverySkipsApplicationsThatQuit) {
    BridgeDesk d;
    const uint64_t a = d.desktop.open(301, "Term", "a", {0, 0, 400, 300});
    const uint64_t b = d.desktop.open(302, "Term", "b", {0, 0, 400, 300});
    for (uint64_t w : {a, b}) {
        d.focus(w);
        d.relay.toggleGroupMembership();
    }
    d.desktop.quit(301);
    d.select(d.editor, "hola");
    d.relay.broadcast();
    d.clock.advance(3);
    EXPECT_EQ(d.received[b], QStringLiteral("hola\n"));
    EXPECT_EQ(d.hud.last(), QStringLiteral("➜ Enviado a Term — b"));

    d.desktop.quit(302);
    d.focus(d.editor);
    d.relay.broadcast();
    d.clock.advance(3);
    EXPECT_EQ(d.hud.last(), QStringLiteral("La ventana destino ya no está abierta"));

    d.mark(d.chat);
    d.desktop.quit(202);
    d.select(d.editor, "otra");
    d.relay.sendSelection(false);
    d.clock.advance(3);
    EXPECT_EQ(d.hud.last(), QStringLiteral("La ventana destino ya no está abierta"));
    EXPECT_EQ(d.activeWindow(), d.editor);
}

// A target window that closed while its application runs: the application comes forward and
// its window in front takes the paste.
TEST(Relay, AClosedTargetWindowLeavesItsApplication) {
    BridgeDesk d;
    const uint64_t other = d.desktop.open(202, "Chat", "Otra conversación", {0, 0, 400, 300});
    d.mark(d.chat);
    d.desktop.vanish(d.chat);
    d.select(d.editor, "sigue");
    d.relay.sendSelection(false);
    d.clock.advance(3);
    EXPECT_EQ(d.received[other], QStringLiteral("sigue"));
}

TEST(Relay, HeldModifiersDelayTheCopyUntilReleasedOrTimedOut) {
    BridgeDesk d;
    d.mark(d.chat);
    d.select(d.editor, "tarde");
    d.keys.held = {.control = true, .alt = true};
    d.relay.sendSelection(true);
    d.clock.advance(1.1);
    EXPECT_TRUE(d.typedKeys.empty());
    d.clock.advance(0.2);  // still held: the timeout lets the copy go, with only its own keys
    ASSERT_FALSE(d.typedKeys.empty());
    EXPECT_EQ(d.typedKeys.front().second, (Press{SyntheticKey::c, {.control = true}}));
    d.clock.advance(2);
    EXPECT_EQ(d.received[d.chat], QStringLiteral("tarde\n"));
}

// A second send while one is delivering would copy from, or paste into, the window the first
// brought forward: it is refused, and only the first one types anything.
TEST(Relay, ASecondSendWhileOneRunsIsRefused) {
    BridgeDesk d;
    d.mark(d.chat);
    d.select(d.editor, "primero");
    d.board.countsPastes = false;
    d.relay.sendSelection(true);
    d.clock.advance(0.1);
    ASSERT_TRUE(d.relay.busy());
    d.relay.sendSelection(true);
    d.relay.sendClipboard(false);
    EXPECT_EQ(d.messages(), (std::vector<QString>{"🎯 Destino: Chat — Asistente",
                                                  "Espera: aún se está enviando lo anterior",
                                                  "Espera: aún se está enviando lo anterior"}));
    d.clock.advance(3);
    EXPECT_EQ(d.received[d.chat], QStringLiteral("primero\n"));
    EXPECT_EQ(d.typedKeys.size(), 3u);
    EXPECT_FALSE(d.relay.busy());
    d.select(d.editor, "primero");  // free again
    d.relay.sendSelection(false);
    d.clock.advance(3);
    EXPECT_EQ(d.received[d.chat], QStringLiteral("primero\nprimero"));
}

// The keys go only to a window that came forward: a target that never does (its program
// runs on with no window, or the window manager refused) gets nothing, and neither does the
// window the user sent from.
TEST(Relay, NothingIsTypedWhenTheTargetNeverComesForward) {
    BridgeDesk d;
    d.mark(d.chat);
    d.desktop.vanish(d.chat);  // the chat lives on in the tray, with no window
    d.select(d.editor, "hola");
    d.relay.sendSelection(true);
    d.clock.advance(3);
    EXPECT_EQ(d.typedKeys.size(), 1u);  // the copy, and nothing after it
    EXPECT_TRUE(d.received.empty());
    EXPECT_EQ(d.hud.last(),
              QStringLiteral("La ventana destino no recibió el texto: no se envió nada"));
    EXPECT_FALSE(d.relay.busy());
}

// A window that did not take the paste gets no Return: it would send what it held before.
TEST(Relay, NoReturnAfterAPasteThatWasNotTaken) {
    BridgeDesk d;
    const uint64_t deaf = d.desktop.open(301, "Term", "deaf", {0, 0, 400, 300});
    const uint64_t other = d.desktop.open(302, "Term", "other", {0, 0, 400, 300});
    for (uint64_t w : {deaf, other}) {
        d.focus(w);
        d.relay.toggleGroupMembership();
    }
    d.ignoresPaste.insert(deaf);
    d.select(d.editor, "x");
    d.relay.broadcast();
    d.clock.advance(5);
    for (const auto& [window, press] : d.typedKeys)
        if (window == deaf) EXPECT_NE(press.key, SyntheticKey::returnKey);
    EXPECT_EQ(d.received[other], QStringLiteral("x\n"));
    EXPECT_EQ(d.hud.last(), QStringLiteral("➜ Enviado a Term — other"));
}

// xterm's selection counts only while xterm holds it: another program's is not its.
TEST(Relay, AnXtermWithoutASelectionHasNothingToSend) {
    BridgeDesk d;
    const uint64_t xterm = d.desktop.open(203, "XTerm", "bash", {0, 400, 600, 400});
    d.mark(d.chat);
    d.focus(xterm);
    d.board.select("seleccionado en el editor", d.editor);
    d.relay.sendSelection(false);
    d.clock.runDue();
    EXPECT_EQ(d.hud.last(),
              QStringLiteral("No había nada seleccionado. Selecciona texto o archivos y repite (o "
                             "usa 'Enviar portapapeles al destino')"));
    d.clock.advance(2);
    EXPECT_TRUE(d.received.empty());
}

// A copy with kinds that would be lost (formatted text) goes as the source made it, with the
// fixed times; a plain one is offered again by this program; a long text is never cut.
TEST(Relay, WhatTheCopyOffersDecidesWhetherItIsOfferedAgain) {
    {
        BridgeDesk d;
        d.mark(d.chat);
        d.focus(d.editor);
        d.board.copy(
            {.types = {"text/html", "text/plain"}, .files = {}, .text = "rico", .png = {}});
        const int64_t count = d.board.changeCount();
        d.relay.sendClipboard(false);
        d.clock.advance(2);
        EXPECT_EQ(d.received[d.chat], QStringLiteral("rico"));
        EXPECT_EQ(d.board.changeCount(), count);
        EXPECT_TRUE(d.board.current().types.contains("text/html"));
    }
    {
        BridgeDesk d;
        d.mark(d.chat);
        const QString longText(300001, QLatin1Char('z'));
        d.select(d.editor, longText);
        d.relay.sendSelection(false);
        d.clock.advance(2);
        EXPECT_EQ(d.received[d.chat].size(), longText.size());
    }
}

TEST(Relay, MarkingAndTheGroupWaitForADeliveryToEnd) {
    BridgeDesk d;
    d.mark(d.chat);
    d.select(d.editor, "uno");
    d.board.countsPastes = false;
    d.relay.sendSelection(true);
    d.clock.advance(0.1);
    ASSERT_TRUE(d.relay.busy());
    d.relay.markTarget();
    d.relay.toggleGroupMembership();
    EXPECT_EQ(d.hud.last(), QStringLiteral("Espera: aún se está enviando lo anterior"));
    EXPECT_EQ(d.relay.target->window.ref().id, d.chat);
    EXPECT_TRUE(d.relay.group.empty());
    d.clock.advance(3);
}

TEST(Relay, AMemberThatQuitsDuringTheBroadcastIsSkipped) {
    BridgeDesk d;
    std::vector<uint64_t> terms;
    for (int32_t pid : {301, 302, 303}) {
        terms.push_back(d.desktop.open(pid, "Term", "t", {0, 0, 400, 300}));
        d.focus(terms.back());
        d.relay.toggleGroupMembership();
    }
    d.keys.onPost = [&](const Press& press) {
        d.react(press);
        // The first member's Return makes the second one quit.
        if (press.key == SyntheticKey::returnKey && d.activeWindow() == terms[0])
            d.desktop.quit(302);
    };
    d.select(d.editor, "a");
    d.relay.broadcast();
    d.clock.advance(5);
    EXPECT_EQ(d.received[terms[0]], QStringLiteral("a\n"));
    EXPECT_EQ(d.received[terms[2]], QStringLiteral("a\n"));
    EXPECT_EQ(d.hud.last(), QStringLiteral("📣 Enviado a 2 ventanas"));
}

TEST(Relay, LabelsNameTheApplicationAndTheStartOfTheTitle) {
    const QString longTitle = QString(41, QLatin1Char('a')) + QString::fromUtf8("😀 fin");
    struct Case {
        QString app, title, label;
    } cases[] = {
        {"Firefox", "Docs", QString::fromUtf8("Firefox — Docs")},
        {"Firefox", "", "Firefox"},
        {"", "Docs", QString::fromUtf8("App — Docs")},
        {"X", QString(50, QLatin1Char('b')),
         QString::fromUtf8("X — ") + QString(42, QLatin1Char('b'))},
        // 42 characters would cut the emoji in half: it is left out whole.
        {"X", longTitle, QString::fromUtf8("X — ") + QString(41, QLatin1Char('a'))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Dest::makeLabel(c.app, c.title, QStringLiteral("App")), c.label)
            << c.title.toStdString();
}

}  // namespace
}  // namespace quenda
