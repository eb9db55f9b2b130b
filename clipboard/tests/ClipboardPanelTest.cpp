#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "bridge/Templates.h"
#include "bridge/TextFiles.h"
#include "clipboard/ClipboardPanelController.h"
#include "clipboard/ClipboardPanelModel.h"
#include "clipboard/tests/ClipboardDesk.h"
#include "core/Keys.h"
#include "core/Prefs.h"
#include "core/Settings.h"
#include "platform/sim/NoDesktopOpener.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/SimSyntheticKeys.h"
#include "platform/sim/TestPrinters.h"

// The clipboard panel: what its list shows for a search, what its buttons act on, and how
// the chosen items reach the clipboard and the window the panel was opened over.

namespace quenda {
namespace {

using testing::ClipboardDesk;
using testing::pngBytes;
using testing::readAll;
using testing::writeAll;
using Kind = ClipItem::Kind;

ClipItem textItem(const QString& text, std::optional<QString> source = std::nullopt,
                  bool pinned = false) {
    ClipItem item;
    item.id = QUuid::createUuid();
    item.kind = Kind::text;
    item.text = text;
    item.sourceApp = std::move(source);
    item.pinned = pinned;
    return item;
}
ClipItem pathsItem(Kind kind, std::vector<QString> paths, bool pinned = false) {
    ClipItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.paths = std::move(paths);
    item.pinned = pinned;
    return item;
}

QStringList previews(const ClipboardPanelModel& m) {
    QStringList out;
    for (int row = 0; row < int(m.visible().size()); ++row) out << m.previewAt(row);
    return out;
}

// ----------------------------------------------------------------------------------------
// The list

TEST(ClipboardPanelModel, FiltersByPreviewOrSourceAndListsPinnedFirst) {
    const L10n l10n = L10n::builtIn();
    ClipboardPanelModel m(l10n);
    // Newest first, as the store holds them.
    m.setItems({textItem("  Lista de la compra\n", "Mousepad"), textItem("hola Mundo", "Firefox"),
                textItem("fijado viejo", std::nullopt, true),
                pathsItem(Kind::files, {"/home/u/Informe Final.pdf"}),
                pathsItem(Kind::image, {"/nope.png"}), textItem("Mundo fijado", "XTerm", true)});

    struct Case {
        const char* query;
        QStringList expected;
    } cases[] = {
        {"",
         {"fijado viejo", "Mundo fijado", "Lista de la compra", "hola Mundo", "Informe Final.pdf",
          "Imagen"}},
        {"mundo", {"Mundo fijado", "hola Mundo"}},
        {"  MUNDO\t", {"Mundo fijado", "hola Mundo"}},  // spaces at both ends are ignored
        {"firefox", {"hola Mundo"}},                    // the source application matches too
        {"informe final", {"Informe Final.pdf"}},       // a file's name
        {"imagen", {"Imagen"}},
        {"compra\n", {}},    // line breaks are part of the search
        {"mundo hola", {}},  // no tokens: the text as typed
        {"zzz", {}},
    };
    for (const Case& c : cases) {
        m.setQuery(QString::fromUtf8(c.query));
        EXPECT_EQ(previews(m), c.expected) << "query [" << c.query << "]";
    }
}

TEST(ClipboardPanelModel, TargetsFollowTheListOrderOrTheFirstVisibleItem) {
    const L10n l10n = L10n::builtIn();
    ClipboardPanelModel m(l10n);
    const ClipItem a = textItem("alfa"), b = textItem("beta"), c = textItem("gamma");
    const ClipItem pinned = textItem("beta fijada", std::nullopt, true);
    m.setItems({a, b, c, pinned});

    auto ids = [](const std::vector<ClipItem>& items) {
        std::vector<QUuid> out;
        for (const ClipItem& i : items) out.push_back(i.id);
        return out;
    };
    // Nothing selected: the first visible item, the pinned one when it matches.
    EXPECT_EQ(ids(m.targetItems()), std::vector<QUuid>{pinned.id});
    m.setQuery("bet");
    EXPECT_EQ(ids(m.targetItems()), std::vector<QUuid>{pinned.id});
    m.setQuery("gam");
    EXPECT_EQ(ids(m.targetItems()), std::vector<QUuid>{c.id});

    // Selected in any order, targeted in list order; hidden selections do not count.
    m.setQuery("");
    m.setSelection({c.id, a.id});
    EXPECT_EQ(ids(m.targetItems()), (std::vector<QUuid>{a.id, c.id}));
    m.setQuery("alf");
    EXPECT_EQ(ids(m.targetItems()), std::vector<QUuid>{a.id});
    m.setQuery("beta");  // neither selected item is visible: the first visible one
    EXPECT_EQ(ids(m.targetItems()), std::vector<QUuid>{pinned.id});
    m.setQuery("nada");
    EXPECT_TRUE(m.targetItems().empty());
    EXPECT_FALSE(m.canPaste());

    // An item that leaves the history leaves the selection.
    m.setQuery("");
    m.setItems({b, c, pinned});
    EXPECT_EQ(m.selection(), QSet<QUuid>{c.id});
    m.reset();
    EXPECT_TRUE(m.selection().isEmpty());
    EXPECT_TRUE(m.query().isEmpty());
}

TEST(ClipboardPanelModel, TheListFollowsTheHistoryAsItChanges) {
    const L10n l10n = L10n::builtIn();
    ClipboardPanelModel m(l10n);
    ClipItem a = textItem("alfa"), b = textItem("beta");
    m.setItems({a, b});
    m.setQuery("a");
    EXPECT_EQ(previews(m), (QStringList{"alfa", "beta"}));
    // Pinned in the store: it moves up, the search stays.
    b.pinned = true;
    m.setItems({a, b});
    EXPECT_EQ(previews(m), (QStringList{"beta", "alfa"}));
    // A new copy on top; one deleted.
    m.setItems({textItem("gamma"), b});
    EXPECT_EQ(previews(m), (QStringList{"beta", "gamma"}));
    EXPECT_EQ(m.query(), "a");
}

TEST(ClipboardPanelModel, FooterTextsAndEmptyStates) {
    const L10n l10n = L10n::builtIn();
    ClipboardPanelModel m(l10n);
    EXPECT_EQ(m.emptyState(), QStringLiteral("Todavía no hay nada copiado"));
    EXPECT_FALSE(m.canPaste());

    const ClipItem a = textItem("alfa"), b = textItem("beta");
    m.setItems({a, b});
    EXPECT_EQ(m.emptyState(), std::nullopt);
    EXPECT_EQ(m.historyCount(), 2);
    m.setQuery("nada de esto");
    EXPECT_EQ(m.emptyState(), QStringLiteral("Sin resultados"));
    EXPECT_EQ(m.historyCount(), 2);  // the history, not what the search keeps

    m.setQuery("");
    EXPECT_EQ(m.pasteButtonTitle(), QStringLiteral("Pegar"));
    EXPECT_EQ(m.selectionHint(), QStringLiteral("Ctrl+clic para elegir varios"));
    m.setSelection({a.id});
    EXPECT_EQ(m.pasteButtonTitle(), QStringLiteral("Pegar"));
    m.setSelection({a.id, b.id});
    EXPECT_EQ(m.pasteButtonTitle(), QStringLiteral("Unir y pegar"));
    EXPECT_EQ(m.selectionHint(), QStringLiteral("2 seleccionados"));
}

TEST(ClipboardPanelModel, DetailsNameTheSourceTheAgeAndTheLength) {
    const L10n l10n = L10n::builtIn();
    ClipboardPanelModel m(l10n);
    ClipItem t = textItem("hola", QStringLiteral("Mousepad"));
    const double now = 1.8e9;
    t.date = ClipItem::dateFromUnixTime(now - 30);
    EXPECT_EQ(m.details(t, now), QStringLiteral("Mousepad · ahora · 4 car."));
    t.date = ClipItem::dateFromUnixTime(now - 5 * 60);
    t.sourceApp.reset();
    EXPECT_EQ(m.details(t, now), QStringLiteral("hace 5 min · 4 car."));
    ClipItem image = pathsItem(Kind::image, {"/x.png"});
    image.date = ClipItem::dateFromUnixTime(now - 3 * 3600);
    EXPECT_EQ(m.details(image, now), QStringLiteral("hace 3 h"));
    image.date = ClipItem::dateFromUnixTime(now - 2 * 86400);
    EXPECT_EQ(m.details(image, now), QStringLiteral("hace 2 d"));
}

// ----------------------------------------------------------------------------------------
// Preparing the clipboard and pasting

// The simulated desktop behind a window manager that activates windows late, or never.
struct LaggingWindows : WindowServer {
    LaggingWindows(SimDesktop& d, VirtualClock& c) : desktop(d), clock(c) {}
    SimDesktop& desktop;
    VirtualClock& clock;
    std::optional<double> lag;

    std::optional<QString> title(const WindowRef& w) override { return desktop.title(w); }
    std::optional<WindowRole> role(const WindowRef& w) override { return desktop.role(w); }
    std::optional<bool> isMinimized(const WindowRef& w) override { return desktop.isMinimized(w); }
    std::optional<Rect> frame(const WindowRef& w) override { return desktop.frame(w); }
    bool isClosable(const WindowRef& w) override { return desktop.isClosable(w); }
    std::optional<QString> windowClass(const WindowRef& w) override {
        return desktop.windowClass(w);
    }
    std::optional<std::vector<WindowRef>> windows(int32_t pid) override {
        return desktop.windows(pid);
    }
    std::optional<WindowRef> focusedWindow(int32_t pid) override {
        return desktop.focusedWindow(pid);
    }
    std::optional<QString> applicationName(int32_t pid) override {
        return desktop.applicationName(pid);
    }
    std::optional<int32_t> frontmostPid() override { return desktop.frontmostPid(); }
    int32_t ownPid() override { return desktop.ownPid(); }
    std::optional<std::vector<WindowListEntry>> windowList() override {
        return desktop.windowList();
    }
    bool isTrusted() override { return true; }
    bool requestTrust() override { return true; }
    void apply(const WindowPlan& plan) override {
        if (lag) clock.after(*lag, [this, plan] { desktop.apply(plan); });
    }
    void close(const WindowRef& w) override { desktop.close(w); }
    void minimize(const WindowRef& w) override { desktop.minimize(w); }
};

// A clipboard the desktop takes a copy into only `delay` seconds after it is written, as X
// does once the selection's ownership is through; never while `delay` is absent.
struct LatePasteboard : Pasteboard {
    LatePasteboard(SimPasteboard& b, VirtualClock& c) : board(b), clock(c) {}
    SimPasteboard& board;
    VirtualClock& clock;
    std::optional<double> delay = 0.05;

    int64_t changeCount() override { return board.changeCount(); }
    void setChangeHandler(std::function<void()> changed) override {
        board.setChangeHandler(std::move(changed));
    }
    void read(const PasteboardRead& what, std::function<void(PasteboardContent)> done) override {
        board.read(what, std::move(done));
    }
    void later(std::function<void()> write) {
        if (delay) clock.after(*delay, std::move(write));
    }
    void writeText(const QString& text, bool alsoSelection) override {
        later([this, text, alsoSelection] { board.writeText(text, alsoSelection); });
    }
    void writeImage(const QByteArray& png) override {
        later([this, png] { board.writeImage(png); });
    }
    void writeFiles(const std::vector<QString>& paths) override {
        later([this, paths] { board.writeFiles(paths); });
    }
};

// A desk with the panel's controller: the user works in mousepad (window 11) and an xterm
// (window 21); this program is process 1.
struct PanelDesk : ClipboardDesk {
    SimDefaults defaults;
    Prefs prefs{defaults};
    SimSyntheticKeys synthetic;
    SimHud hud;
    const L10n l10n = L10n::builtIn();
    NoDesktopOpener opener;
    AppPaths paths{folders};
    Templates templates{paths, prefs, opener};
    TextFiles textFiles{paths, hud, l10n,
                        [] { return QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)); }};
    Keys keys{synthetic, board, clock, desktop, prefs};
    WindowRef mousepad, xterm;
    bool panelShown = false;
    int panelShows = 0;
    std::unique_ptr<ClipboardPanelController> panel;

    PanelDesk() {
        const auto ids =
            desktop.load(QStringLiteral("11 Mousepad 'notas.txt' 0,25 700x500 *; "
                                        "21 XTerm 'sh' 720,25 600x400"));
        mousepad = {11, ids.at(0)};
        xterm = {21, ids.at(1)};
        desktop.frontmost = 11;
        started();
        panel = std::make_unique<ClipboardPanelController>(ClipboardPanelController::Services{
            *store,
            board,
            keys,
            desktop,
            clock,
            hud,
            l10n,
            templates,
            textFiles,
            {[this] {
                 panelShown = true;
                 ++panelShows;
             },
             [this] { panelShown = false; }, [this] { return panelShown; }}});
    }
    QString clipboardText() const { return board.current().text.value_or(QString()); }
    std::vector<QString> clipboardFiles() const { return board.current().files; }
    QString archivos() const { return QDir(support()).filePath(QStringLiteral("archivos")); }
};

TEST(ClipboardPanelPrepare, EachKindAndMode) {
    PanelDesk d;
    const QString png = QDir(d.support()).filePath("imagenes/captura-1.png");
    writeAll(png, pngBytes(7));
    const ClipItem a = textItem("primero"), b = textItem("segundo");
    const ClipItem image = pathsItem(Kind::image, {png});
    const ClipItem files = pathsItem(Kind::files, {"/home/u/a b.txt", "/home/u/ñ.md"});
    auto& p = *d.panel;

    EXPECT_FALSE(p.prepare({}, PasteMode::normal));
    EXPECT_FALSE(p.prepare({}, PasteMode::asFiles));

    // One text as text; two texts joined in the order given.
    ASSERT_TRUE(p.prepare({a}, PasteMode::normal));
    EXPECT_EQ(d.clipboardText(), "primero");
    ASSERT_TRUE(p.prepare({b, a}, PasteMode::normal));
    EXPECT_EQ(d.clipboardText(), "segundo\n\n---\n\nprimero");

    // One image or file list keeps its kind.
    ASSERT_TRUE(p.prepare({image}, PasteMode::normal));
    EXPECT_EQ(d.board.current().png, pngBytes(7));
    ASSERT_TRUE(p.prepare({files}, PasteMode::normal));
    EXPECT_EQ(d.clipboardFiles(), *files.paths);

    // A text with an image: everything as files, the text as a new Markdown file.
    ASSERT_TRUE(p.prepare({a, image}, PasteMode::normal));
    ASSERT_EQ(d.clipboardFiles().size(), 2u);
    EXPECT_EQ(d.clipboardFiles()[0], QDir(d.archivos()).filePath("primero-20260305-140709.md"));
    EXPECT_EQ(readAll(d.clipboardFiles()[0]), QByteArray("primero"));
    EXPECT_EQ(d.clipboardFiles()[1], png);

    // One text as a file; texts, an image and files all listed in order.
    ASSERT_TRUE(p.prepare({b}, PasteMode::asFiles));
    ASSERT_EQ(d.clipboardFiles().size(), 1u);
    EXPECT_TRUE(d.clipboardFiles()[0].endsWith("/segundo-20260305-140709.md"));
    ASSERT_TRUE(p.prepare({files, image}, PasteMode::asFiles));
    EXPECT_EQ(d.clipboardFiles(), (std::vector<QString>{"/home/u/a b.txt", "/home/u/ñ.md", png}));
}

TEST(ClipboardPanelPrepare, TemplatesWrapJoinedTextOnly) {
    PanelDesk d;
    auto& p = *d.panel;
    const ClipItem a = textItem("uno {app}", QStringLiteral("Firefox"));
    const ClipItem unknown = textItem("dos {texto}");

    struct Case {
        const char* templateID;
        std::vector<ClipItem> items;
        QString expected;
    } cases[] = {
        {"none", {a}, "uno {app}"},
        {"codigo", {a}, "```\nuno {app}\n```"},
        // "{app}" is the first item's source; "{ventana}" is always empty here; what the
        // copied text holds is never expanded.
        {"origen", {a, unknown}, "[Desde Firefox — ]\n\nuno {app}\n\n---\n\ndos {texto}"},
        {"origen", {unknown}, "[Desde  — ]\n\ndos {texto}"},
        {"desaparecida", {a}, "uno {app}"},  // a template no longer in the list: none
    };
    for (const Case& c : cases) {
        d.prefs.set(settings::templateID, QString::fromUtf8(c.templateID));
        ASSERT_TRUE(p.prepare(c.items, PasteMode::normal));
        EXPECT_EQ(d.clipboardText(), c.expected) << c.templateID;
    }
    // Files never go through a template.
    d.prefs.set(settings::templateID, QStringLiteral("codigo"));
    ASSERT_TRUE(p.prepare({a}, PasteMode::asFiles));
    EXPECT_EQ(readAll(d.clipboardFiles().at(0)), QByteArray("uno {app}"));
}

TEST(ClipboardPanelPrepare, AnImageWhosePngIsGoneLeavesTheClipboardAlone) {
    PanelDesk d;
    auto& p = *d.panel;
    ASSERT_TRUE(p.prepare({textItem("antes")}, PasteMode::normal));
    const int64_t before = d.board.changeCount();
    const ClipItem gone = pathsItem(Kind::image, {QDir(d.support()).filePath("imagenes/x.png")});
    EXPECT_TRUE(p.prepare({gone}, PasteMode::normal));
    EXPECT_EQ(d.board.changeCount(), before);
    EXPECT_EQ(d.clipboardText(), "antes");
    // Without paths, too.
    EXPECT_TRUE(p.prepare({pathsItem(Kind::image, {})}, PasteMode::normal));
    EXPECT_EQ(d.board.changeCount(), before);
    // As files it lists its path as it is; with nothing to list, nothing is written.
    ClipItem noPaths = pathsItem(Kind::image, {});
    EXPECT_TRUE(p.prepare({noPaths}, PasteMode::asFiles));
    EXPECT_EQ(d.board.changeCount(), before);

    // And the paste still goes on: the chord is sent.
    d.panel->open();
    d.panel->paste({gone}, PasteMode::normal);
    d.clock.advance(1);
    EXPECT_EQ(d.synthetic.posted.size(), 1u);
}

TEST(ClipboardPanelPaste, ReturnsToThePreviousWindowAndPastesWithItsChord) {
    PanelDesk d;
    d.desktop.focus(d.xterm.id);
    d.panel->open();
    EXPECT_TRUE(d.panelShown);
    EXPECT_EQ(d.panel->previousWindow(), d.xterm);

    // The panel takes the focus; the user picks a text.
    d.desktop.frontmost = d.desktop.ownProcess;
    d.panel->paste({textItem("ls -la")}, PasteMode::normal);
    EXPECT_FALSE(d.panelShown);
    ASSERT_FALSE(d.desktop.plans.empty());
    EXPECT_EQ(d.desktop.plans.back().focus, d.xterm);
    // xterm pastes the other selection with Shift+Insert: the text is offered there too.
    EXPECT_EQ(d.board.selectionText(), QStringLiteral("ls -la"));
    ASSERT_EQ(d.synthetic.posted.size(), 1u);
    EXPECT_EQ(d.synthetic.posted[0],
              (SimSyntheticKeys::Press{SyntheticKey::insert, KeyModifiers{.shift = true}}));
}

TEST(ClipboardPanelPaste, WaitsUntilTheWindowIsActiveAndNoLongerThanTheDeadline) {
    struct Case {
        const char* what;
        std::optional<double> lag;  // when the window manager activates; never when absent
        double postedAt;
    } cases[] = {
        {"a window manager that takes 0.1 s", 0.1, 0.1},
        {"a window manager that refuses", std::nullopt, 0.25},
        {"a window manager slower than the deadline", 0.4, 0.25},
    };
    for (const Case& c : cases) {
        PanelDesk d;
        LaggingWindows windows(d.desktop, d.clock);
        windows.lag = c.lag;
        ClipboardPanelController panel({*d.store,
                                        d.board,
                                        d.keys,
                                        windows,
                                        d.clock,
                                        d.hud,
                                        d.l10n,
                                        d.templates,
                                        d.textFiles,
                                        {}});
        panel.open();
        d.desktop.frontmost = d.desktop.ownProcess;  // the panel is in front
        double postedAt = -1;
        d.synthetic.onPost = [&](const SimSyntheticKeys::Press&) { postedAt = d.clock.now(); };
        const double start = d.clock.now();
        panel.paste({textItem("hola")}, PasteMode::normal);
        EXPECT_TRUE(d.synthetic.posted.empty()) << c.what;
        d.clock.advance(1);
        ASSERT_EQ(d.synthetic.posted.size(), 1u) << c.what;
        EXPECT_NEAR(postedAt - start, c.postedAt, 0.015) << c.what;
        EXPECT_EQ(d.synthetic.posted[0],
                  (SimSyntheticKeys::Press{SyntheticKey::v, KeyModifiers{.control = true}}));
    }
}

TEST(ClipboardPanelPaste, TheKeysWaitUntilTheDesktopHasTakenTheCopy) {
    struct Case {
        const char* what;
        std::optional<double> delay;
        double postedAt;
    } cases[] = {
        {"a copy taken after 0.05 s", 0.05, 0.05},
        {"a copy never taken", std::nullopt, 0.25},
    };
    for (const Case& c : cases) {
        PanelDesk d;
        LatePasteboard late(d.board, d.clock);
        late.delay = c.delay;
        ClipboardStore store({late, d.desktop, AppPaths(d.folders)});
        ClipboardPanelController panel(
            {store, late, d.keys, d.desktop, d.clock, d.hud, d.l10n, d.templates, d.textFiles, {}});
        panel.open();
        double postedAt = -1;
        d.synthetic.onPost = [&](const SimSyntheticKeys::Press&) { postedAt = d.clock.now(); };
        const double start = d.clock.now();
        panel.paste({textItem("hola")}, PasteMode::normal);
        EXPECT_TRUE(d.synthetic.posted.empty()) << c.what;
        d.clock.advance(1);
        ASSERT_EQ(d.synthetic.posted.size(), 1u) << c.what;
        EXPECT_NEAR(postedAt - start, c.postedAt, 0.015) << c.what;
    }
}

TEST(ClipboardPanelPaste, AClosedPreviousWindowPastesIntoWhateverIsInFront) {
    PanelDesk d;
    d.panel->open();
    d.desktop.vanish(d.mousepad.id);
    d.desktop.focus(d.xterm.id);
    d.desktop.frontmost = 21;
    d.panel->paste({textItem("hola")}, PasteMode::normal);
    // No waiting for a window that will never come: the xterm in front takes it, its way,
    // the text offered as the other selection too.
    d.clock.advance(1);
    ASSERT_EQ(d.synthetic.posted.size(), 1u);
    EXPECT_EQ(d.synthetic.posted[0].key, SyntheticKey::insert);
    EXPECT_EQ(d.clipboardText(), "hola");
    EXPECT_EQ(d.board.selectionText(), QStringLiteral("hola"));
}

TEST(ClipboardPanelOpen, TheTargetIsTheWindowInFrontUnlessItIsOurOwn) {
    PanelDesk d;
    d.panel->open();
    EXPECT_EQ(d.panel->previousWindow(), d.mousepad);
    // Opened from this program's own window (the dashboard): the earlier target stays.
    d.desktop.frontmost = d.desktop.ownProcess;
    d.panel->open();
    EXPECT_EQ(d.panel->previousWindow(), d.mousepad);
    // Nothing in front: no target.
    d.desktop.frontmost.reset();
    d.panel->open();
    EXPECT_EQ(d.panel->previousWindow(), std::nullopt);
    d.panel->paste({textItem("x")}, PasteMode::normal);
    EXPECT_EQ(d.synthetic.posted.size(), 1u);

    // The command toggles.
    d.panelShown = true;
    const int shows = d.panelShows;
    d.panel->toggle();
    EXPECT_FALSE(d.panelShown);
    d.panel->toggle();
    EXPECT_TRUE(d.panelShown);
    EXPECT_EQ(d.panelShows, shows + 1);
}

TEST(ClipboardPanelCopy, CopiesHideThePanelAndSaySo) {
    PanelDesk d;
    d.panel->open();
    d.panel->copy({textItem("solo copiar")}, PasteMode::normal);
    EXPECT_FALSE(d.panelShown);
    EXPECT_EQ(d.clipboardText(), "solo copiar");
    EXPECT_EQ(d.hud.messages.back(), (SimHud::Message{"Copiado", 1.6}));
    EXPECT_TRUE(d.synthetic.posted.empty());

    d.panel->open();
    d.panel->copy({textItem("como archivo")}, PasteMode::asFiles);
    EXPECT_EQ(d.hud.messages.back().text,
              QStringLiteral("Copiado como archivos: pega con Ctrl+V para adjuntar"));
    EXPECT_EQ(d.clipboardFiles().size(), 1u);

    // Nothing to copy: nothing said, the panel stays.
    d.panel->open();
    const size_t said = d.hud.messages.size();
    d.panel->copy({}, PasteMode::normal);
    EXPECT_TRUE(d.panelShown);
    EXPECT_EQ(d.hud.messages.size(), said);
}

}  // namespace
}  // namespace quenda
