#include "views/PaletteSymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace quenda {

namespace {

// A frame of a window: the outline most symbols start from.
QRectF windowBox(const QRectF& b) {
    return b.adjusted(0.5, b.height() * 0.15 + 0.5, -0.5, -b.height() * 0.15 - 0.5);
}

void arrowHead(QPainter& p, QPointF tip, QPointF from, double size) {
    const QPointF d = tip - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0) return;
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    p.drawLine(tip, tip - u * size + n * size * 0.7);
    p.drawLine(tip, tip - u * size - n * size * 0.7);
}

}  // namespace

void drawPaletteSymbol(QPainter& p, const QString& name, const QRectF& box, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 1.3);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF w = windowBox(box);
    const double r = 1.5;
    const auto fill = [&](const QRectF& area) { p.fillRect(area, colour); };

    if (name == QLatin1String("rectangle.lefthalf.filled")) {
        p.drawRoundedRect(w, r, r);
        fill(QRectF(w.left(), w.top(), w.width() / 2, w.height()));
    } else if (name == QLatin1String("rectangle.righthalf.filled")) {
        p.drawRoundedRect(w, r, r);
        fill(QRectF(w.center().x(), w.top(), w.width() / 2, w.height()));
    } else if (name == QLatin1String("arrow.up.left.and.arrow.down.right")) {
        const QPointF a = box.topLeft() + QPointF(2, 2);
        const QPointF b = box.bottomRight() - QPointF(2, 2);
        p.drawLine(a, b);
        arrowHead(p, a, b, box.width() * 0.3);
        arrowHead(p, b, a, box.width() * 0.3);
    } else if (name == QLatin1String("rectangle.center.inset.filled")) {
        p.drawRoundedRect(w, r, r);
        fill(
            w.adjusted(w.width() * 0.25, w.height() * 0.25, -w.width() * 0.25, -w.height() * 0.25));
    } else if (name == QLatin1String("display.2")) {
        const QRectF back(box.left() + box.width() * 0.3, box.top() + 1, box.width() * 0.65,
                          box.height() * 0.5);
        const QRectF front(box.left() + 0.5, box.top() + box.height() * 0.35, box.width() * 0.65,
                           box.height() * 0.5);
        p.drawRoundedRect(back, r, r);
        p.setBrush(QColor(0, 0, 0, 0));
        p.drawRoundedRect(front, r, r);
        p.drawLine(QPointF(front.center().x(), front.bottom()),
                   QPointF(front.center().x(), box.bottom() - 0.5));
    } else if (name == QLatin1String("wand.and.stars")) {
        p.drawLine(box.bottomLeft() + QPointF(1, -1), box.center() + QPointF(1, -1));
        const auto star = [&](QPointF c, double s) {
            p.drawLine(c - QPointF(s, 0), c + QPointF(s, 0));
            p.drawLine(c - QPointF(0, s), c + QPointF(0, s));
        };
        star(box.topRight() + QPointF(-3, 3), 2.5);
        star(box.topLeft() + QPointF(box.width() * 0.35, 2.5), 1.6);
        star(box.bottomRight() + QPointF(-2.5, -box.height() * 0.35), 1.6);
    } else if (name.startsWith(QLatin1String("rectangle.split."))) {
        p.drawRoundedRect(w, r, r);
        const int cols = name.endsWith(QLatin1String("3x1")) ? 3 : 2;
        for (int i = 1; i < cols; ++i) {
            const double x = w.left() + w.width() * i / cols;
            p.drawLine(QPointF(x, w.top()), QPointF(x, w.bottom()));
        }
        if (name.endsWith(QLatin1String("2x2")))
            p.drawLine(QPointF(w.left(), w.center().y()), QPointF(w.right(), w.center().y()));
    } else if (name == QLatin1String("scope")) {
        const QRectF c = box.adjusted(2, 2, -2, -2);
        p.drawEllipse(c);
        p.drawLine(QPointF(c.center().x(), box.top()), QPointF(c.center().x(), box.bottom()));
        p.drawLine(QPointF(box.left(), c.center().y()), QPointF(box.right(), c.center().y()));
    } else if (name == QLatin1String("paperplane")) {
        QPolygonF plane;
        plane << box.bottomLeft() + QPointF(1, -box.height() * 0.45)
              << box.topRight() + QPointF(-1, 1)
              << box.bottomLeft() + QPointF(box.width() * 0.55, -1)
              << box.bottomLeft() + QPointF(box.width() * 0.4, -box.height() * 0.4);
        p.drawPolygon(plane);
    } else if (name == QLatin1String("doc.on.clipboard")) {
        const QRectF board = box.adjusted(1, 2, -box.width() * 0.3, -1);
        p.drawRoundedRect(board, r, r);
        p.setBrush(QColor(0, 0, 0, 0));
        p.drawRoundedRect(box.adjusted(box.width() * 0.35, box.height() * 0.35, -1, 0), r, r);
        p.drawLine(QPointF(board.center().x() - 2, board.top()),
                   QPointF(board.center().x() + 2, board.top()));
    } else if (name == QLatin1String("tray.and.arrow.down")) {
        QPolygonF tray;
        tray << QPointF(box.left() + 1, box.center().y() + 1)
             << QPointF(box.left() + 1, box.bottom() - 1)
             << QPointF(box.right() - 1, box.bottom() - 1)
             << QPointF(box.right() - 1, box.center().y() + 1);
        p.drawPolyline(tray);
        const QPointF top(box.center().x(), box.top() + 1);
        const QPointF tip(box.center().x(), box.center().y() + 2);
        p.drawLine(top, tip);
        arrowHead(p, tip, top, box.width() * 0.25);
    } else if (name == QLatin1String("chevron.left") || name == QLatin1String("chevron.right")) {
        const bool left = name.endsWith(QLatin1String("left"));
        const double x0 = box.center().x() + (left ? 2.5 : -2.5);
        const double x1 = box.center().x() + (left ? -2.5 : 2.5);
        QPolygonF v;
        v << QPointF(x0, box.top() + 2) << QPointF(x1, box.center().y())
          << QPointF(x0, box.bottom() - 2);
        p.drawPolyline(v);
    } else if (name == QLatin1String("arrow.right.square")) {
        p.drawRoundedRect(box.adjusted(1, 1, -1, -1), r, r);
        const QPointF from(box.left() + 4, box.center().y());
        const QPointF tip(box.right() - 4, box.center().y());
        p.drawLine(from, tip);
        arrowHead(p, tip, from, box.width() * 0.22);
    } else if (name == QLatin1String("square.grid.3x3")) {
        const double cell = (box.width() - 2) / 3;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                fill(QRectF(box.left() + 1 + i * cell + 0.6, box.top() + 1 + j * cell + 0.6,
                            cell - 1.2, cell - 1.2));
    } else {
        p.drawRect(box.adjusted(1, 1, -1, -1));
    }
    p.restore();
}

}  // namespace quenda
