#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace quenda {

// Draws the palette's and the corner button's symbols by name ("rectangle.split.2x2",
// "chevron.left", ...) as line drawings in `colour`, fitted into `box`. An unknown name
// draws a plain square.
void drawPaletteSymbol(QPainter& p, const QString& name, const QRectF& box, const QColor& colour);

}  // namespace quenda
