#include "views/DashboardWindow.h"

#include <QPointer>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "hotkeys/KeyCombo.h"
#include "layouts/Layout.h"
#include "shelf/ShelfController.h"

namespace quenda {

namespace {

const char* const kStyle = R"(
QWidget#dashboard { background: #0b0e16; color: #e6e9f2; }
QWidget { color: #e6e9f2; font-size: 13px; }
QListWidget#sidebar { background: #0f131d; border: none; border-right: 1px solid #1c2230;
    outline: 0; padding-top: 4px; }
QListWidget#sidebar::item { padding: 9px 12px; border-radius: 8px; margin: 1px 10px; }
QListWidget#sidebar::item:selected { background: #1f2940; color: #ffffff; }
QListWidget#sidebar::item:hover:!selected { background: #161c2b; }
QFrame[card="true"] { background: #131824; border: 1px solid #1f2738; border-radius: 12px; }
QFrame[banner="plain"] { background: #14261c; border: 1px solid #24513a; border-radius: 10px; }
QFrame[banner="warning"] { background: #2a2110; border: 1px solid #6b5114; border-radius: 10px; }
QLabel { background: transparent; }
QLabel[role="header"] { font-size: 22px; font-weight: 600; }
QLabel[role="muted"] { color: #8b93a7; }
QLabel[role="section"] { font-size: 14px; font-weight: 600; }
QLabel[role="badge"] { background: #1d2536; color: #aab4cc; border-radius: 6px; padding: 2px 7px; }
QLabel[role="warning"] { color: #f2b84b; }
QPushButton { background: #1d2536; border: 1px solid #2a3448; border-radius: 8px;
    padding: 6px 12px; color: #e6e9f2; }
QPushButton:hover { background: #26304a; }
QPushButton:pressed { background: #1a2131; }
QPushButton:checked { background: #3b6cf6; border-color: #3b6cf6; color: #ffffff; }
QPushButton[accent="true"] { background: #3b6cf6; border-color: #3b6cf6; color: #ffffff; }
QPushButton[flat="true"] { background: transparent; border: none; color: #8fb0ff; padding: 4px 6px; }
QPushButton:disabled { color: #4a5266; }
QPushButton[tile="true"] { text-align: left; padding: 10px 12px; }
QLineEdit, QComboBox { background: #0f131d; border: 1px solid #2a3448; border-radius: 8px;
    padding: 6px 10px; color: #e6e9f2; selection-background-color: #3b6cf6; }
QComboBox QAbstractItemView { background: #131824; color: #e6e9f2;
    selection-background-color: #3b6cf6; border: 1px solid #2a3448; }
QCheckBox { spacing: 10px; }
QCheckBox::indicator { width: 34px; height: 18px; border-radius: 9px; background: #2a3448; }
QCheckBox::indicator:checked { background: #3b6cf6; }
QScrollArea { border: none; background: transparent; }
QScrollArea > QWidget > QWidget { background: transparent; }
QScrollBar:vertical { background: transparent; width: 10px; }
QScrollBar::handle:vertical { background: #2a3448; border-radius: 5px; min-height: 30px; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
)";

QLabel* text(const QString& value, const char* role = nullptr, bool wrap = false) {
    auto* l = new QLabel(value);
    if (role) l->setProperty("role", role);
    l->setWordWrap(wrap);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    if (role && QByteArray(role) == "badge")
        l->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    return l;
}

QFrame* card(QVBoxLayout** inner) {
    auto* f = new QFrame;
    f->setProperty("card", true);
    auto* v = new QVBoxLayout(f);
    v->setContentsMargins(16, 14, 16, 14);
    v->setSpacing(10);
    *inner = v;
    return f;
}

QPushButton* button(const QString& label, std::function<void()> clicked, bool accent = false) {
    auto* b = new QPushButton(label);
    b->setCursor(Qt::PointingHandCursor);
    if (accent) b->setProperty("accent", true);
    QObject::connect(b, &QPushButton::clicked, b, [clicked = std::move(clicked)] { clicked(); });
    return b;
}

QCheckBox* toggle(const QString& label, bool on, std::function<void(bool)> changed) {
    auto* c = new QCheckBox(label);
    c->setChecked(on);
    c->setCursor(Qt::PointingHandCursor);
    QObject::connect(c, &QCheckBox::toggled, c,
                     [changed = std::move(changed)](bool v) { changed(v); });
    return c;
}

// A row of mutually exclusive buttons; `values[i]` is written when button i is chosen.
QWidget* segmented(const std::vector<std::pair<QString, int64_t>>& choices, int64_t current,
                   std::function<void(int64_t)> chosen) {
    auto* w = new QWidget;
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(6);
    auto* group = new QButtonGroup(w);
    for (const auto& [label, value] : choices) {
        auto* b = new QPushButton(label);
        b->setCheckable(true);
        b->setChecked(value == current);
        b->setCursor(Qt::PointingHandCursor);
        group->addButton(b);
        h->addWidget(b);
        QObject::connect(b, &QPushButton::clicked, b, [chosen, value] { chosen(value); });
    }
    h->addStretch();
    return w;
}

QWidget* row(std::initializer_list<QWidget*> widgets, bool stretchAfterFirst = true) {
    auto* w = new QWidget;
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(8);
    bool first = true;
    for (QWidget* x : widgets) {
        h->addWidget(x);
        if (first && stretchAfterFirst) h->addStretch();
        first = false;
    }
    return w;
}

// The wireframe of a layout: its cells for as many windows as it holds, in a 16:10 frame.
class LayoutPreview final : public QWidget {
  public:
    explicit LayoutPreview(Layout layout) : layout_(layout) { setFixedSize(64, 40); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
        p.setPen(QPen(QColor("#2a3448"), 1));
        p.setBrush(QColor("#0f131d"));
        p.drawRoundedRect(area, 4, 4);
        const int count = layout_ == Layout::auto_ ? 4 : maxWindows(layout_);
        p.setBrush(QColor("#3b6cf6"));
        p.setPen(Qt::NoPen);
        for (const Rect& u : units(layout_, count, 1.6)) {
            const QRectF cell(area.x() + u.x * area.width(), area.y() + u.y * area.height(),
                              u.width * area.width(), u.height * area.height());
            p.drawRoundedRect(cell.adjusted(2, 2, -2, -2), 2, 2);
        }
    }

  private:
    Layout layout_;
};

// The platform-neutral modifier flags of a Qt key event.
uint64_t flagsOf(Qt::KeyboardModifiers m) {
    uint64_t flags = 0;
    if (m & Qt::ShiftModifier) flags |= kFlagShift;
    if (m & Qt::ControlModifier) flags |= kFlagControl;
    if (m & Qt::AltModifier) flags |= kFlagOption;
    if (m & Qt::MetaModifier) flags |= kFlagCommand;
    if (m & Qt::KeypadModifier) flags |= kFlagNumericPad;
    return flags;
}

bool isModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
            return true;
        default:
            return false;
    }
}

}  // namespace

DashboardWindow::DashboardWindow(DashboardController& controller, DashboardViewServices services)
    : controller_(controller), s_(std::move(services)) {
    setObjectName(QStringLiteral("dashboard"));
    setWindowTitle(QStringLiteral("Quenda"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QString::fromLatin1(kStyle));
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(11, 14, 22));
    dark.setColor(QPalette::WindowText, QColor("#e6e9f2"));
    dark.setColor(QPalette::Base, QColor("#0f131d"));
    dark.setColor(QPalette::Text, QColor("#e6e9f2"));
    dark.setColor(QPalette::Button, QColor("#1d2536"));
    dark.setColor(QPalette::ButtonText, QColor("#e6e9f2"));
    dark.setColor(QPalette::Highlight, QColor("#3b6cf6"));
    dark.setColor(QPalette::PlaceholderText, QColor("#6b7389"));
    setPalette(dark);
    setMinimumSize(kMinWidth, kMinHeight);
    setFocusPolicy(Qt::StrongFocus);

    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    buildSidebar();
    pages_ = new QStackedWidget;
    for (size_t i = 0; i < kDashboardTabs.size(); ++i) {
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrolls_.push_back(scroll);
        if (kDashboardTabs[i] == DashboardTab::shortcuts) {
            // The search field stays while the list under it is drawn again.
            auto* page = new QWidget;
            auto* v = new QVBoxLayout(page);
            v->setContentsMargins(28, 24, 16, 0);
            v->setSpacing(6);
            v->addWidget(text(s_.l10n.t(QStringLiteral("shortcuts_header")), "header"));
            v->addWidget(text(s_.l10n.t(QStringLiteral("shortcuts_subtitle")), "muted", true));
            search_ = new QLineEdit;
            search_->setPlaceholderText(s_.l10n.t(QStringLiteral("shortcuts_search_placeholder")));
            search_->setClearButtonEnabled(true);
            connect(search_, &QLineEdit::textChanged, this, [this] { scheduleRefresh(); });
            v->addSpacing(6);
            v->addWidget(search_);
            v->addWidget(scroll, 1);
            shortcutsScroll_ = scroll;
            pages_->addWidget(page);
        } else {
            pages_->addWidget(scroll);
        }
    }
    h->addWidget(sidebar_->parentWidget());
    h->addWidget(pages_, 1);

    // Ctrl+1 … Ctrl+6 go to the tabs, in the sidebar's order.
    for (size_t i = 0; i < kDashboardTabs.size(); ++i) {
        auto* sc = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + int(i))), this);
        connect(sc, &QShortcut::activated, this, [this, i] { selectTab(kDashboardTabs[i]); });
    }
    auto* closeKey = new QShortcut(QKeySequence::Close, this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);

    connect(&controller_.state(), &DashboardState::changed, this, [this] { scheduleRefresh(); });
    connect(&controller_.hotKeys(), &HotKeyCenter::didChange, this, [this] { scheduleRefresh(); });
    connect(&controller_.hotKeys(), &HotKeyCenter::statusesChanged, this,
            [this] { scheduleRefresh(); });

    frameSaver_ = new QTimer(this);
    frameSaver_->setSingleShot(true);
    frameSaver_->setInterval(400);
    connect(frameSaver_, &QTimer::timeout, this, [this] { rememberFrame(); });

    // Where the user left it, when that is still on a screen; else centred.
    restoringFrame_ = true;
    resize(kWidth, kHeight);
    bool placed = false;
    if (s_.savedFrame) {
        if (const auto frame = ShelfController::frameFromText(s_.savedFrame())) {
            const QRect r(int(frame->x), int(frame->y), int(frame->width), int(frame->height));
            for (QScreen* screen : QGuiApplication::screens()) {
                if (screen->availableGeometry().intersects(r)) {
                    resize(r.size().expandedTo(QSize(kMinWidth, kMinHeight)));
                    move(r.topLeft());
                    placed = true;
                    break;
                }
            }
        }
    }
    if (!placed) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(kWidth / 2, kHeight / 2));
        }
    }
    restoringFrame_ = false;
    refresh();
}

DashboardWindow::~DashboardWindow() = default;

void DashboardWindow::buildSidebar() {
    auto* side = new QWidget;
    side->setFixedWidth(210);
    side->setAttribute(Qt::WA_StyledBackground);
    side->setStyleSheet(QStringLiteral("background: #0f131d;"));
    auto* v = new QVBoxLayout(side);
    v->setContentsMargins(0, 20, 0, 14);
    v->setSpacing(4);
    auto* brand = text(QStringLiteral("▦  Quenda"), "section");
    brand->setStyleSheet(QStringLiteral("font-size: 17px; font-weight: 700; padding-left: 20px;"));
    v->addWidget(brand);
    auto* version =
        text(QStringLiteral("v") + s_.version + QStringLiteral(" · Build ") + s_.build, "muted");
    version->setStyleSheet(QStringLiteral("padding-left: 20px; color: #8b93a7;"));
    v->addWidget(version);
    v->addSpacing(14);
    sidebar_ = new QListWidget;
    sidebar_->setObjectName(QStringLiteral("sidebar"));
    sidebar_->setFocusPolicy(Qt::NoFocus);
    sidebar_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sidebar_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    static const char* const kIcons[] = {"▦", "◫", "➤", "▤", "⌨", "?"};
    for (size_t i = 0; i < kDashboardTabs.size(); ++i) {
        sidebar_->addItem(QString::fromUtf8(kIcons[i]) + QStringLiteral("   ") +
                          s_.l10n.t(titleKey(kDashboardTabs[i])));
    }
    connect(sidebar_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < int(kDashboardTabs.size())) selectTab(kDashboardTabs[size_t(row)]);
    });
    v->addWidget(sidebar_, 1);
    sidebarFooter_ = text({}, "muted");
    sidebarFooter_->setStyleSheet(QStringLiteral("padding-left: 20px; color: #8b93a7;"));
    v->addWidget(sidebarFooter_);
    axIndicator_ = text({}, "muted");
    axIndicator_->setStyleSheet(QStringLiteral("padding-left: 20px;"));
    v->addWidget(axIndicator_);
}

void DashboardWindow::present() {
    refresh();
    show();
    raise();
    activateWindow();
    scrollToAnchor();
}

void DashboardWindow::orderOut() {
    hide();
}

void DashboardWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closing_) return;
    closing_ = true;
    releaseKeyboard();
    rememberFrame();
    controller_.windowWillClose();  // drops this window once the close is over
}

bool DashboardWindow::event(QEvent* e) {
    // While recording, every key is the shortcut's, Tab included.
    if (e->type() == QEvent::KeyPress && controller_.recorder().isRecording()) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    if (e->type() == QEvent::ShortcutOverride && controller_.recorder().isRecording()) {
        e->accept();
        return true;
    }
    // Back from another window: the bridge, the groups and the history may have changed.
    if (e->type() == QEvent::WindowActivate) scheduleRefresh();
    return QWidget::event(e);
}

void DashboardWindow::keyPressEvent(QKeyEvent* event) {
    ShortcutRecorder& recorder = controller_.recorder();
    if (!recorder.isRecording()) return QWidget::keyPressEvent(event);
    event->accept();
    if (isModifierKey(event->key()) || event->isAutoRepeat()) return;
    std::optional<uint32_t> code;
    if (event->key() == Qt::Key_Escape) {
        code = kKeyCodeEscape;
    } else if (s_.keyCodeOfNativeKey) {
        code = s_.keyCodeOfNativeKey(event->nativeScanCode());
    }
    // A key no shortcut can be made of (a media key, a letter of another alphabet's own
    // key) is passed over; the recording goes on.
    if (!code) return;
    recorder.handleKey(*code, flagsOf(event->modifiers()));
    if (!recorder.isRecording()) releaseKeyboard();
    scheduleRefresh();
}

void DashboardWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!restoringFrame_) frameSaver_->start();
}

void DashboardWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!restoringFrame_) frameSaver_->start();
}

void DashboardWindow::rememberFrame() {
    if (restoringFrame_ || !isVisible() || !s_.saveFrame) return;
    // The frame's place (move() takes it back) and the window's own size (resize() does).
    const QPoint at = pos();
    s_.saveFrame(ShelfController::frameText(
        Rect{double(at.x()), double(at.y()), double(width()), double(height())}));
}

void DashboardWindow::selectTab(DashboardTab tab) {
    controller_.state().focusAnchor.reset();
    controller_.state().setSelectedTab(tab);
    refresh();
}

void DashboardWindow::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refresh();
    });
}

void DashboardWindow::refreshSidebar() {
    const int index = int(controller_.state().selectedTab);
    if (sidebar_->currentRow() != index) {
        const QSignalBlocker block(sidebar_);
        sidebar_->setCurrentRow(index);
    }
    sidebarFooter_->setText(s_.l10n.format(QStringLiteral("shortcuts_active_count"),
                                           {controller_.hotKeys().activeCount()}));
    const bool on = controller_.state().isAccessibilityTrusted;
    axIndicator_->setText(
        (on ? QStringLiteral("<span style='color:#3ccf7a'>●</span> ")
            : QStringLiteral("<span style='color:#f2b84b'>●</span> ")) +
        s_.l10n.t(on ? QStringLiteral("ax_short_on") : QStringLiteral("ax_short_off"))
            .toHtmlEscaped());
}

void DashboardWindow::refresh() {
    refreshSidebar();
    const DashboardTab tab = controller_.state().selectedTab;
    const size_t index = size_t(tab);
    pages_->setCurrentIndex(int(index));
    QScrollArea* scroll = scrolls_[index];
    const int position = scroll->verticalScrollBar()->value();
    QWidget* content = tab == DashboardTab::shortcuts ? shortcutsList() : buildPage(tab);
    if (QWidget* old = scroll->takeWidget()) old->deleteLater();
    scroll->setWidget(content);
    scroll->verticalScrollBar()->setValue(position);
    // The new page's full height is known once it has been polished and laid out: the place
    // the user scrolled to is taken back then too.
    QTimer::singleShot(0, scroll,
                       [scroll, position] { scroll->verticalScrollBar()->setValue(position); });
}

QWidget* DashboardWindow::buildPage(DashboardTab tab) {
    switch (tab) {
        case DashboardTab::layouts:
            return layoutsPage();
        case DashboardTab::groups:
            return groupsPage();
        case DashboardTab::bridge:
            return bridgePage();
        case DashboardTab::clipboard:
            return clipboardPage();
        case DashboardTab::guidesSettings:
            return guidesPage();
        case DashboardTab::shortcuts:
            return shortcutsList();
    }
    return new QWidget;
}

namespace {
// A page: its header, subtitle and a column for its sections.
QWidget* page(const L10n& l10n, const char* header, const char* subtitle, QVBoxLayout** column) {
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(28, 24, 28, 28);
    v->setSpacing(14);
    if (header) {
        auto* head = new QVBoxLayout;
        head->setSpacing(4);
        head->addWidget(text(l10n.t(QString::fromLatin1(header)), "header"));
        head->addWidget(text(l10n.t(QString::fromLatin1(subtitle)), "muted", true));
        v->addLayout(head);
    }
    *column = v;
    return w;
}
}  // namespace

QWidget* DashboardWindow::layoutsPage() {
    QVBoxLayout* col = nullptr;
    QWidget* w = page(s_.l10n, "layouts_header", "layouts_subtitle", &col);
    const auto& l = s_.l10n;
    const auto badge = [this, &l](HotKeyAction a) {
        return text(s_.shortcut(a).value_or(l.t(QStringLiteral("shortcuts_unassigned"))), "badge");
    };

    // The permission's light.
    QVBoxLayout* ax = nullptr;
    QFrame* axCard = card(&ax);
    const bool on = controller_.state().isAccessibilityTrusted;
    auto* light = text(on ? QStringLiteral("<span style='color:#3ccf7a;font-size:18px'>●</span>")
                          : QStringLiteral("<span style='color:#f2b84b;font-size:18px'>●</span>"));
    light->setTextFormat(Qt::RichText);
    auto* axText = new QVBoxLayout;
    axText->addWidget(text(
        l.t(on ? QStringLiteral("guides_ax_on") : QStringLiteral("guides_ax_off")), "section"));
    axText->addWidget(
        text(l.t(on ? QStringLiteral("ax_live_ok_sub") : QStringLiteral("ax_live_missing_sub")),
             "muted", true));
    auto* axRow = new QHBoxLayout;
    axRow->addWidget(light);
    axRow->addLayout(axText, 1);
    if (!on) {
        axRow->addWidget(button(l.t(QStringLiteral("guides_open_accessibility")),
                                s_.openAccessibilitySettings, true));
    }
    ax->addLayout(axRow);
    col->addWidget(axCard);

    // The layouts.
    col->addWidget(text(l.t(QStringLiteral("layouts_grid_title")), "section"));
    auto* grid = new QGridLayout;
    grid->setSpacing(10);
    int i = 0;
    for (Layout layout : allLayouts()) {
        const auto action = HotKeyAction(int(HotKeyAction::layoutAuto) + i);
        auto* tile = new QPushButton;
        tile->setProperty("tile", true);
        tile->setCursor(Qt::PointingHandCursor);
        tile->setMinimumHeight(70);
        auto* h = new QHBoxLayout(tile);
        h->setContentsMargins(10, 8, 10, 8);
        h->addWidget(new LayoutPreview(layout));
        auto* names = new QVBoxLayout;
        names->addWidget(text(l.t(titleKey(layout))));
        names->addWidget(text(l.t(shortTitleKey(layout)), "muted"));
        h->addLayout(names, 1);
        h->addWidget(badge(action), 0, Qt::AlignTop);
        for (QLabel* child : tile->findChildren<QLabel*>())
            child->setAttribute(Qt::WA_TransparentForMouseEvents);
        connect(tile, &QPushButton::clicked, this, [this, action] { s_.execute(action); });
        grid->addWidget(tile, i / 2, i % 2);
        ++i;
    }
    col->addLayout(grid);

    // Quick actions.
    col->addWidget(text(l.t(QStringLiteral("layouts_quick_actions")), "section"));
    auto* quick = new QHBoxLayout;
    for (HotKeyAction a : {HotKeyAction::mosaicRotate, HotKeyAction::mosaicPromote}) {
        auto* b = button(s_.title(a), [this, a] {
            if (a == HotKeyAction::mosaicPromote)
                controller_.runOnExternalWindow([this, a] { s_.execute(a); });
            else
                s_.execute(a);
        });
        quick->addWidget(b);
        quick->addWidget(badge(a));
        quick->addSpacing(12);
    }
    quick->addStretch();
    col->addLayout(quick);
    QVBoxLayout* pref = nullptr;
    QFrame* prefCard = card(&pref);
    pref->addWidget(toggle(l.t(QStringLiteral("pref_include_other_screens")),
                           controller_.state().includeOtherScreens,
                           [this](bool v) { controller_.state().setIncludeOtherScreens(v); }));
    pref->addWidget(text(l.t(QStringLiteral("pref_include_other_screens_sub")), "muted", true));
    col->addWidget(prefCard);

    // The focused window's commands, run on the user's window.
    col->addWidget(text(l.t(QStringLiteral("layouts_active_window")), "section"));
    auto* win = new QGridLayout;
    win->setSpacing(8);
    i = 0;
    for (HotKeyAction a :
         {HotKeyAction::winLeft, HotKeyAction::winRight, HotKeyAction::winTop,
          HotKeyAction::winBottom, HotKeyAction::winMaximize, HotKeyAction::winCenter,
          HotKeyAction::winMaxCenter, HotKeyAction::winNextScreen}) {
        auto* b = button(s_.title(a), [this, a] {
            controller_.runOnExternalWindow([this, a] { s_.execute(a); });
        });
        b->setProperty("tile", true);
        win->addWidget(row({b, badge(a)}, false), i / 2, i % 2);
        ++i;
    }
    col->addLayout(win);
    col->addStretch();
    return w;
}

QWidget* DashboardWindow::groupsPage() {
    QVBoxLayout* col = nullptr;
    QWidget* w = page(s_.l10n, "groups_header", "groups_subtitle", &col);
    const auto& l = s_.l10n;
    DashboardState& state = controller_.state();

    QVBoxLayout* info = nullptr;
    QFrame* infoCard = card(&info);
    if (s_.screenUnderPointer) {
        const auto [description, size] = s_.screenUnderPointer();
        info->addWidget(
            row({text(l.format(QStringLiteral("groups_screen_info"), {description})),
                 text(l.format(QStringLiteral("groups_per_group_badge"), {size}), "badge")}));
    }
    const auto& groups = s_.groups.groups();
    if (groups.empty()) {
        info->addWidget(text(l.t(QStringLiteral("groups_none_yet")), "muted", true));
    } else {
        info->addWidget(row({text(l.t(QStringLiteral("groups_active_label")), "muted"),
                             text(l.format(QStringLiteral("groups_current_of"),
                                           {s_.groups.current() + 1, int(groups.size())}),
                                  "section")}));
    }
    std::vector<std::pair<QString, int64_t>> sizes;
    for (int64_t v : DashboardState::kGroupSizes)
        sizes.emplace_back(v == 0 ? l.t(QStringLiteral("groups_size_auto")) : QString::number(v),
                           v);
    info->addWidget(text(l.t(QStringLiteral("groups_size_label")), "muted"));
    info->addWidget(segmented(sizes, state.groupSize,
                              [this](int64_t v) { controller_.state().setGroupSize(v); }));
    col->addWidget(infoCard);

    // The overview organiser.
    QVBoxLayout* ov = nullptr;
    QFrame* ovCard = card(&ov);
    auto* ovText = new QVBoxLayout;
    ovText->addWidget(text(l.t(QStringLiteral("groups_overview_cta")), "section"));
    ovText->addWidget(text(l.t(QStringLiteral("groups_overview_cta_sub")), "muted", true));
    auto* ovRow = new QHBoxLayout;
    ovRow->addLayout(ovText, 1);
    ovRow->addWidget(text(s_.shortcut(HotKeyAction::groupsOverview)
                              .value_or(l.t(QStringLiteral("shortcuts_unassigned"))),
                          "badge"));
    ovRow->addWidget(button(
        l.t(QStringLiteral("groups_overview_cta")),
        [this] { s_.execute(HotKeyAction::groupsOverview); }, true));
    ov->addLayout(ovRow);
    col->addWidget(ovCard);

    // The controls.
    col->addWidget(text(l.t(QStringLiteral("groups_controls_title")), "section"));
    auto* controls = new QGridLayout;
    controls->setSpacing(8);
    int i = 0;
    for (HotKeyAction a :
         {HotKeyAction::groupsAuto, HotKeyAction::groupsPrev, HotKeyAction::groupsNext,
          HotKeyAction::groupsMovePrev, HotKeyAction::groupsMoveNext}) {
        const bool onWindow =
            a == HotKeyAction::groupsMovePrev || a == HotKeyAction::groupsMoveNext;
        auto* b = button(s_.title(a), [this, a, onWindow] {
            if (onWindow)
                controller_.runOnExternalWindow([this, a] { s_.execute(a); });
            else
                s_.execute(a);
        });
        b->setProperty("tile", true);
        controls->addWidget(b, i, 0);
        controls->addWidget(
            text(s_.shortcut(a).value_or(l.t(QStringLiteral("shortcuts_unassigned"))), "badge"), i,
            1);
        ++i;
    }
    col->addLayout(controls);

    // The workspaces.
    col->addWidget(text(l.t(QStringLiteral("ws_section_title")), "section"));
    for (int slot = 1; slot <= 3; ++slot) {
        QVBoxLayout* ws = nullptr;
        QFrame* wsCard = card(&ws);
        auto* names = new QVBoxLayout;
        names->addWidget(text(l.format(QStringLiteral("ws_slot_label"), {slot}), "section"));
        const auto it = state.workspaceSummaries.find(slot);
        names->addWidget(
            text(it == state.workspaceSummaries.end() ? QString() : it->second, "muted", true));
        auto* h = new QHBoxLayout;
        h->addLayout(names, 1);
        h->addWidget(button(l.t(QStringLiteral("ws_btn_restore")),
                            [this, slot] { s_.restoreWorkspace(slot); }));
        h->addWidget(button(l.t(QStringLiteral("ws_btn_save")), [this, slot] {
            s_.saveWorkspace(slot);
            controller_.state().refreshWorkspaces();
        }));
        ws->addLayout(h);
        col->addWidget(wsCard);
    }
    col->addStretch();
    return w;
}

QWidget* DashboardWindow::bridgePage() {
    QVBoxLayout* col = nullptr;
    QWidget* w = page(s_.l10n, "bridge_header", "bridge_subtitle", &col);
    const auto& l = s_.l10n;
    const auto shortcutOf = [this, &l](HotKeyAction a) {
        return s_.shortcut(a).value_or(l.t(QStringLiteral("shortcuts_unassigned")));
    };
    const auto actionButton = [this, &shortcutOf](HotKeyAction a, bool accent = false) {
        auto* b = button(
            s_.title(a),
            [this, a] {
                s_.execute(a);
                scheduleRefresh();
            },
            accent);
        return row({b, text(shortcutOf(a), "badge")}, false);
    };
    col->addWidget(actionButton(HotKeyAction::bridgeMark, true));

    // The target.
    QVBoxLayout* target = nullptr;
    QFrame* targetCard = card(&target);
    target->addWidget(text(l.t(QStringLiteral("bridge_target_card_title")), "section"));
    if (s_.relay.target) {
        target->addWidget(text(QStringLiteral("🎯 ") + s_.relay.target->label, nullptr, true));
    } else {
        target->addWidget(text(l.format(QStringLiteral("bridge_no_target_hint"),
                                        {shortcutOf(HotKeyAction::bridgeMark)}),
                               "muted", true));
    }
    if (s_.relay.lastSource) {
        target->addWidget(text(l.t(QStringLiteral("bridge_source_prefix")) + QStringLiteral(": ") +
                                   s_.relay.lastSource->label,
                               "muted", true));
    }
    if (s_.relay.target) {
        target->addWidget(
            row({new QWidget, button(l.t(QStringLiteral("bridge_clear_target")), [this] {
                     s_.relay.clearTarget();
                     scheduleRefresh();
                 })}));
    }
    col->addWidget(targetCard);

    // Sending.
    col->addWidget(text(l.t(QStringLiteral("bridge_send_controls")), "section"));
    for (HotKeyAction a : {HotKeyAction::bridgeSendClipboard, HotKeyAction::bridgeSend,
                           HotKeyAction::bridgeSendEnter})
        col->addWidget(actionButton(a));

    // The template.
    QVBoxLayout* tpl = nullptr;
    QFrame* tplCard = card(&tpl);
    auto* picker = new QComboBox;
    picker->addItem(l.t(QStringLiteral("bridge_template_none")), QStringLiteral("none"));
    if (s_.templates) {
        for (const PromptTemplate& t : s_.templates()) picker->addItem(t.name, t.id);
    }
    const int current = picker->findData(controller_.state().templateID);
    picker->setCurrentIndex(current < 0 ? 0 : current);
    connect(picker, &QComboBox::activated, this, [this, picker](int index) {
        controller_.state().setTemplateID(picker->itemData(index).toString());
    });
    tpl->addWidget(row({text(l.t(QStringLiteral("bridge_template_label")), "section"), picker,
                        button(l.t(QStringLiteral("bridge_template_edit")), s_.editTemplates)}));
    tpl->addWidget(toggle(l.t(QStringLiteral("bridge_return_toggle")),
                          controller_.state().relayReturn,
                          [this](bool v) { controller_.state().setRelayReturn(v); }));
    col->addWidget(tplCard);

    // The broadcast group.
    QVBoxLayout* group = nullptr;
    QFrame* groupCard = card(&group);
    group->addWidget(text(l.t(QStringLiteral("bridge_broadcast_title")), "section"));
    if (s_.relay.group.empty()) {
        group->addWidget(text(l.t(QStringLiteral("bridge_broadcast_empty_hint")), "muted", true));
    }
    for (size_t i = 0; i < s_.relay.group.size(); ++i) {
        auto* remove = button(QStringLiteral("✕"), [this, i] {
            s_.relay.removeFromGroup(int(i));
            scheduleRefresh();
        });
        remove->setProperty("flat", true);
        group->addWidget(
            row({text(QString::number(i + 1) + QStringLiteral(". ") + s_.relay.group[i].label),
                 remove}));
    }
    group->addWidget(actionButton(HotKeyAction::bridgeGroup));
    group->addWidget(actionButton(HotKeyAction::bridgeBroadcast));
    group->addWidget(toggle(l.t(QStringLiteral("bridge_broadcast_enter")),
                            controller_.state().broadcastEnter,
                            [this](bool v) { controller_.state().setBroadcastEnter(v); }));
    if (!s_.relay.group.empty()) {
        group->addWidget(
            row({new QWidget, button(l.t(QStringLiteral("bridge_broadcast_clear")), [this] {
                     s_.relay.group.clear();
                     scheduleRefresh();
                 })}));
    }
    col->addWidget(groupCard);
    col->addStretch();
    return w;
}

QWidget* DashboardWindow::clipboardPage() {
    QVBoxLayout* col = nullptr;
    QWidget* w = page(s_.l10n, "clip_header", "clip_subtitle", &col);
    const auto& l = s_.l10n;
    const auto tool = [this, &l](const QString& titleText, const QString& sub, HotKeyAction a,
                                 std::function<void()> run) {
        QVBoxLayout* inner = nullptr;
        QFrame* f = card(&inner);
        auto* names = new QVBoxLayout;
        names->addWidget(text(titleText, "section"));
        names->addWidget(text(sub, "muted", true));
        auto* h = new QHBoxLayout;
        h->addLayout(names, 1);
        h->addWidget(
            text(s_.shortcut(a).value_or(l.t(QStringLiteral("shortcuts_unassigned"))), "badge"));
        h->addWidget(button(QStringLiteral("→"), std::move(run)));
        inner->addLayout(h);
        return f;
    };
    const int history = s_.clipboard ? int(s_.clipboard->items().size()) : 0;
    auto* grid = new QVBoxLayout;
    grid->setSpacing(10);
    grid->addWidget(tool(s_.title(HotKeyAction::toolsClipboard),
                         l.format(QStringLiteral("clip_history_count"), {history}),
                         HotKeyAction::toolsClipboard,
                         [this] { s_.execute(HotKeyAction::toolsClipboard); }));
    grid->addWidget(
        tool(s_.title(HotKeyAction::toolsShelf),
             l.format(QStringLiteral("clip_shelf_count"), {int(s_.shelf.items().size())}),
             HotKeyAction::toolsShelf, [this] { s_.execute(HotKeyAction::toolsShelf); }));
    grid->addWidget(tool(s_.title(HotKeyAction::toolsShelfAdd),
                         l.t(QStringLiteral("clip_shelf_add_sub")), HotKeyAction::toolsShelfAdd,
                         [this] { s_.execute(HotKeyAction::toolsShelfAdd); }));
    QVBoxLayout* clear = nullptr;
    QFrame* clearCard = card(&clear);
    auto* clearNames = new QVBoxLayout;
    clearNames->addWidget(text(l.t(QStringLiteral("clip_clear_unpinned")), "section"));
    clearNames->addWidget(text(l.t(QStringLiteral("clip_clear_sub")), "muted", true));
    auto* clearRow = new QHBoxLayout;
    clearRow->addLayout(clearNames, 1);
    auto* clearButton = button(QStringLiteral("→"), [this] {
        if (!s_.clipboard) return;
        s_.clipboard->clearUnpinned();
        scheduleRefresh();
    });
    clearButton->setEnabled(s_.clipboard != nullptr);
    clearRow->addWidget(clearButton);
    clear->addLayout(clearRow);
    grid->addWidget(clearCard);
    col->addLayout(grid);

    // The latest copies.
    auto* recentHead = row({text(l.t(QStringLiteral("clip_recent_title")), "section"),
                            button(l.t(QStringLiteral("clip_open_full")),
                                   [this] { s_.execute(HotKeyAction::toolsClipboard); })});
    col->addWidget(recentHead);
    QVBoxLayout* recent = nullptr;
    QFrame* recentCard = card(&recent);
    constexpr size_t kRecentShown = 8;
    if (!s_.clipboard || s_.clipboard->items().empty()) {
        recent->addWidget(text(l.t(QStringLiteral("clip_recent_empty")), "muted"));
    } else {
        const auto& items = s_.clipboard->items();
        for (size_t i = 0; i < std::min(items.size(), kRecentShown); ++i) {
            const ClipItem item = items[i];
            QString preview = item.preview(l).simplified();
            if (preview.size() > 80) preview = preview.left(79) + QStringLiteral("…");
            auto* label = text(preview);
            label->setTextFormat(Qt::PlainText);
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            auto* copy = button(QStringLiteral("⧉"), [this, item] {
                if (s_.copyItem) s_.copyItem(item);
            });
            copy->setProperty("flat", true);
            copy->setToolTip(l.t(QStringLiteral("hud_copied")));
            auto* pin = button(item.pinned ? QStringLiteral("★") : QStringLiteral("☆"),
                               [this, id = item.id] {
                                   if (s_.clipboard) s_.clipboard->togglePin(id);
                                   scheduleRefresh();
                               });
            pin->setProperty("flat", true);
            auto* r = new QWidget;
            auto* h = new QHBoxLayout(r);
            h->setContentsMargins(0, 0, 0, 0);
            h->addWidget(label, 1);
            h->addWidget(copy);
            h->addWidget(pin);
            recent->addWidget(r);
        }
    }
    col->addWidget(recentCard);
    col->addStretch();
    return w;
}

void DashboardWindow::startRecording(HotKeyAction action) {
    controller_.recorder().start(action);
    setFocus();
    grabKeyboard();
    scheduleRefresh();
}

QWidget* DashboardWindow::shortcutsList() {
    auto* w = new QWidget;
    auto* col = new QVBoxLayout(w);
    col->setContentsMargins(0, 10, 12, 28);
    col->setSpacing(12);
    const auto& l = s_.l10n;
    ShortcutRecorder& recorder = controller_.recorder();
    HotKeyCenter& center = controller_.hotKeys();

    if (recorder.isRecording()) {
        auto* banner = new QFrame;
        banner->setProperty("banner", "plain");
        auto* h = new QHBoxLayout(banner);
        h->addWidget(
            text(QStringLiteral("⏺  ") + l.t(QStringLiteral("shortcuts_recording_banner"))), 1);
        h->addWidget(button(l.t(QStringLiteral("btn_cancel")), [this] {
            controller_.recorder().stop();
            releaseKeyboard();
            scheduleRefresh();
        }));
        col->addWidget(banner);
    }
    if (const auto& banner = recorder.banner()) {
        auto* f = new QFrame;
        const bool warning = banner->style == ShortcutRecorder::Banner::Style::warning;
        f->setProperty("banner", warning ? "warning" : "plain");
        auto* h = new QHBoxLayout(f);
        QVariantList args;
        for (const QString& a : banner->args) args << a;
        h->addWidget(text((warning ? QStringLiteral("⚠  ") : QStringLiteral("✓  ")) +
                              l.format(banner->key, args),
                          nullptr, true),
                     1);
        col->addWidget(f);
    }

    const auto sections = filterShortcuts(
        search_ ? search_->text() : QString(), s_.title,
        [&l](HotKeyCategory c) { return l.t(titleKey(c)); },
        [this](HotKeyAction a) -> std::optional<QString> {
            if (const auto c = controller_.hotKeys().combo(a)) return c->displayString();
            return std::nullopt;
        });
    for (const ShortcutSection& section : sections) {
        QVBoxLayout* inner = nullptr;
        QFrame* f = card(&inner);
        inner->setSpacing(4);
        inner->addWidget(text(l.t(titleKey(section.category)), "section"));
        for (HotKeyAction a : section.actions) {
            auto* r = new QWidget;
            auto* h = new QHBoxLayout(r);
            h->setContentsMargins(0, 2, 0, 2);
            auto* name = text(s_.title(a));
            h->addWidget(name, 1);
            const auto status = center.statuses().find(a);
            if (status != center.statuses().end() && status->second != 0) {
                auto* taken =
                    text(QStringLiteral("⚠ ") + l.t(QStringLiteral("shortcuts_taken_elsewhere")),
                         "warning");
                h->addWidget(taken);
            }
            const bool recording = recorder.recording() == a;
            const auto combo = center.combo(a);
            QString label = recording ? l.t(QStringLiteral("shortcuts_press_keys"))
                            : combo   ? combo->displayString()
                                      : l.t(QStringLiteral("shortcuts_unassigned"));
            auto* record = button(label, [this, a] { startRecording(a); });
            record->setMinimumWidth(130);
            record->setCheckable(true);
            record->setChecked(recording);
            h->addWidget(record);
            auto* clear = button(l.t(QStringLiteral("shortcuts_clear_one")), [this, a] {
                controller_.recorder().clear(a);
                releaseKeyboard();
                scheduleRefresh();
            });
            clear->setProperty("flat", true);
            clear->setEnabled(combo.has_value());
            h->addWidget(clear);
            inner->addWidget(r);
        }
        col->addWidget(f);
    }
    auto* footer = new QHBoxLayout;
    footer->addWidget(
        text(l.format(QStringLiteral("shortcuts_active_count"), {center.activeCount()}), "muted"),
        1);
    footer->addWidget(button(l.t(QStringLiteral("shortcuts_clear_all")), [this] {
        controller_.recorder().clearAll();
        releaseKeyboard();
        scheduleRefresh();
    }));
    footer->addWidget(button(l.t(QStringLiteral("shortcuts_restore_defaults")), [this] {
        controller_.recorder().restoreDefaults();
        releaseKeyboard();
        scheduleRefresh();
    }));
    col->addLayout(footer);
    col->addStretch();
    return w;
}

QWidget* DashboardWindow::guidesPage() {
    QVBoxLayout* col = nullptr;
    QWidget* w = page(s_.l10n, "guides_settings_header", "guides_settings_subtitle", &col);
    const auto& l = s_.l10n;
    DashboardState& state = controller_.state();
    const auto& guides = GuidesCatalog::all();

    // The guides.
    QVBoxLayout* g = nullptr;
    QFrame* guidesCard = card(&g);
    guidesAnchor_ = guidesCard;
    guideIndex_ = std::clamp(guideIndex_, 0, int(guides.size()) - 1);
    const auto& guide = guides[size_t(guideIndex_)];
    auto* prev = button(QStringLiteral("‹"), [this] {
        guideIndex_ = std::max(0, guideIndex_ - 1);
        scheduleRefresh();
    });
    auto* next = button(QStringLiteral("›"), [this, n = int(guides.size())] {
        guideIndex_ = std::min(n - 1, guideIndex_ + 1);
        scheduleRefresh();
    });
    prev->setEnabled(guideIndex_ > 0);
    next->setEnabled(guideIndex_ + 1 < int(guides.size()));
    g->addWidget(row({text(l.t(QStringLiteral("guides_viewer_title")), "section"),
                      text(QString::number(guideIndex_ + 1) + QStringLiteral(" / ") +
                               QString::number(guides.size()),
                           "muted"),
                      prev, next}));
    auto* image = new QLabel;
    image->setAlignment(Qt::AlignCenter);
    image->setMinimumHeight(220);
    image->setStyleSheet(QStringLiteral("background: #0f131d; border-radius: 10px;"));
    const QString path = s_.guides.imagePath(guide.imageName);
    QPixmap picture;
    if (!path.isEmpty()) picture.load(path);
    if (!picture.isNull()) {
        image->setPixmap(picture.scaled(560, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        image->setText(QStringLiteral("🖼"));
        image->setStyleSheet(image->styleSheet() +
                             QStringLiteral("font-size: 48px; color: #3a4560;"));
    }
    g->addWidget(image);
    g->addWidget(text(l.t(guide.titleKey), "section"));
    g->addWidget(text(l.t(guide.bodyKey), "muted", true));
    col->addWidget(guidesCard);

    // Updates and diagnostics.
    QVBoxLayout* u = nullptr;
    QFrame* updates = card(&u);
    u->addWidget(text(l.t(QStringLiteral("updates_card_title")), "section"));
    u->addWidget(row({text(QStringLiteral("Quenda v") + s_.version + QStringLiteral(" (Build ") +
                           s_.build + QStringLiteral(")")),
                      button(l.t(QStringLiteral("guides_export_diag")),
                             [this] { controller_.exportTechnicalDiagnostics(); })}));
    if (s_.updateCard) {
        // The check and, once a newer release is found, its install; the card says what
        // each found. The widgets may go with a rebuilt tab while a check still runs.
        UpdateCard& updateCard = *s_.updateCard;
        QPointer<QLabel> status = text(updateCard.status(), "muted", true);
        QPointer<QPushButton> check = button(l.t(QStringLiteral("menu_check_updates")),
                                             [&updateCard] { updateCard.check(); });
        QPointer<QPushButton> install = button(
            updateCard.installButtonTitle(), [&updateCard] { updateCard.install(); }, true);
        const auto refresh = [status, check, install, &updateCard] {
            if (status) {
                status->setText(updateCard.status());
                status->setVisible(!updateCard.status().isEmpty());
            }
            if (check) check->setEnabled(!updateCard.busy());
            if (install) install->setVisible(updateCard.canInstall());
        };
        refresh();
        updateCard.onChange(refresh);
        u->addWidget(status);
        u->addWidget(row({check, install}));
    }
    col->addWidget(updates);

    // The general settings.
    QVBoxLayout* st = nullptr;
    QFrame* settingsCard = card(&st);
    settingsAnchor_ = settingsCard;
    st->addWidget(text(l.t(QStringLiteral("settings_general_title")), "section"));
    st->addWidget(toggle(l.t(QStringLiteral("settings_launch_login")), state.launchAtLogin,
                         [this](bool v) { controller_.state().setLaunchAtLogin(v); }));
    std::vector<std::pair<QString, int64_t>> gaps;
    for (int64_t v : DashboardState::kGaps) gaps.emplace_back(QString::number(v), v);
    st->addWidget(text(l.t(QStringLiteral("settings_gap")), "muted"));
    st->addWidget(segmented(gaps, state.gap, [this](int64_t v) { controller_.state().setGap(v); }));
    st->addWidget(text(l.t(QStringLiteral("settings_corner_mode")), "muted"));
    st->addWidget(segmented({{l.t(QStringLiteral("settings_corner_always")), 2},
                             {l.t(QStringLiteral("settings_corner_hover")), 1},
                             {l.t(QStringLiteral("settings_corner_never")), 0}},
                            state.cornerButtonMode,
                            [this](int64_t v) { controller_.state().setCornerButtonMode(v); }));
    st->addWidget(text(l.t(QStringLiteral("settings_corner_pos")), "muted"));
    st->addWidget(segmented({{l.t(QStringLiteral("settings_corner_left")), 0},
                             {l.t(QStringLiteral("settings_corner_right")), 1}},
                            state.cornerButtonPosition,
                            [this](int64_t v) { controller_.state().setCornerButtonPosition(v); }));
    st->addWidget(toggle(l.t(QStringLiteral("settings_stage_manager")), state.stageManagerInset,
                         [this](bool v) { controller_.state().setStageManagerInset(v); }));
    st->addWidget(
        row({new QWidget,
             button(l.t(QStringLiteral("guides_open_accessibility")), s_.openAccessibilitySettings),
             button(l.t(QStringLiteral("settings_open_data")), s_.openDataFolder)}));
    col->addWidget(settingsCard);
    col->addStretch();
    return w;
}

void DashboardWindow::scrollToAnchor() {
    const auto anchor = controller_.state().focusAnchor;
    if (!anchor || controller_.state().selectedTab != DashboardTab::guidesSettings) return;
    QScrollArea* scroll = scrolls_[size_t(DashboardTab::guidesSettings)];
    QWidget* target =
        *anchor == GuidesFocusAnchor::guides ? guidesAnchor_.data() : settingsAnchor_.data();
    if (!target) return;
    // After the layout has placed the page.
    QTimer::singleShot(0, this, [scroll, target = QPointer<QWidget>(target)] {
        if (target) scroll->ensureWidgetVisible(target, 0, 0);
        if (target) scroll->verticalScrollBar()->setValue(target->y());
    });
}

}  // namespace quenda
