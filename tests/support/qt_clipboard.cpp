// Qt's own clipboard as another program: what a Qt application (KeePassXC, a Qt file
// manager) copies and what it pastes.
//   quenda-test-qt-clipboard copy-secret TEXT   copies TEXT marked secret for password managers
//   quenda-test-qt-clipboard copy-image W H     copies a W x H image (Qt offers it as PNG and more)
//   quenda-test-qt-clipboard paste              prints what it pastes, one line each:
//                                               "text <text>", "url <url>", "image <W>x<H>"
// The copying modes print "ready" once they own the clipboard and run until ended.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (mode == "copy-secret" && args.size() == 2) {
        auto* data = new QMimeData;
        data->setText(args[1]);
        data->setData("x-kde-passwordManagerHint", "secret");
        clipboard->setMimeData(data);
    } else if (mode == "copy-image" && args.size() == 3) {
        QImage image(args[1].toInt(), args[2].toInt(), QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        clipboard->setImage(image);
    } else if (mode == "paste") {
        const QMimeData* data = clipboard->mimeData();
        if (data && data->hasUrls())
            for (const QUrl& url : data->urls()) say("url " + url.toString());
        if (data && data->hasText()) say("text " + data->text());
        const QImage image = clipboard->image();
        if (!image.isNull()) say(QString("image %1x%2").arg(image.width()).arg(image.height()));
        return 0;
    } else {
        return 2;
    }
    QTimer::singleShot(0, [] { say("ready"); });
    return app.exec();
}
