// A small top-level window for the end-to-end tests: a plain managed window (type NORMAL,
// with _NET_WM_PID, both set by Qt) whose size hints can fix or bound its width, so the
// tests can see how tiling treats a window that refuses the width it is given.
//   quenda-test-window --title T [--geometry WxH+X+Y] [--fixed-width W]
//                      [--min-width W] [--max-width W]
#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

// A positive width from an option, or -1 when the option is absent; exits on a bad value.
int widthOption(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name)) return -1;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value <= 0) {
        std::fprintf(stderr, "quenda-test-window: --%s needs a positive width\n", qPrintable(name));
        std::exit(2);
    }
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    // Qt itself takes -title and -geometry (with one dash or two) from the command line it
    // is given, so the options are read here and Qt sees only the program name.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("quenda-test-window"));

    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("title"), QStringLiteral("The window title."), QStringLiteral("T")},
        {QStringLiteral("geometry"), QStringLiteral("Size and position of the client area."),
         QStringLiteral("WxH+X+Y")},
        {QStringLiteral("fixed-width"), QStringLiteral("Refuse every other width."),
         QStringLiteral("W")},
        {QStringLiteral("min-width"), QStringLiteral("Refuse narrower widths."),
         QStringLiteral("W")},
        {QStringLiteral("max-width"), QStringLiteral("Refuse wider widths."), QStringLiteral("W")},
    });
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "quenda-test-window: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (!parser.isSet(QStringLiteral("title"))) {
        std::fprintf(stderr, "quenda-test-window: --title is required\n");
        return 2;
    }
    const QString title = parser.value(QStringLiteral("title"));

    QWidget window;
    window.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&window);
    // The label must not impose a minimum width of its own beyond the hints asked for.
    auto* label = new QLabel(title, &window);
    label->setMinimumWidth(1);
    layout->addWidget(label);

    if (parser.isSet(QStringLiteral("geometry"))) {
        static const QRegularExpression form(QStringLiteral(R"(^(\d+)x(\d+)\+(-?\d+)\+(-?\d+)$)"));
        const auto m = form.match(parser.value(QStringLiteral("geometry")));
        if (!m.hasMatch()) {
            std::fprintf(stderr, "quenda-test-window: --geometry needs WxH+X+Y\n");
            return 2;
        }
        window.resize(m.captured(1).toInt(), m.captured(2).toInt());
        window.move(m.captured(3).toInt(), m.captured(4).toInt());
    }

    // Each of these becomes the WM_NORMAL_HINTS minimum and maximum width.
    if (const int w = widthOption(parser, QStringLiteral("fixed-width")); w > 0) {
        window.setFixedWidth(w);
    }
    if (const int w = widthOption(parser, QStringLiteral("min-width")); w > 0) {
        window.setMinimumWidth(w);
    }
    if (const int w = widthOption(parser, QStringLiteral("max-width")); w > 0) {
        window.setMaximumWidth(w);
    }

    window.show();
    return QApplication::exec();
}
