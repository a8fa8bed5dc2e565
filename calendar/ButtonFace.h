#pragma once

#include "schedule/MonthGrid.h"

#include <QColor>
#include <QPixmap>
#include <QSize>

#include <span>

namespace kvx {

// A button's picture composed from caption pieces on its background, each at
// its x and at the y of its placement, bold when the button's font is bold.
QPixmap paintButtonFace(
    QSize size, std::span<const CaptionPiece> pieces, const QColor& background, bool bold);

// The pieces of a weekday header button: one name, centred.
CaptionPiece weekdayPiece(const WeekdayName& name, QSize size);

// The width of a text in twips in a piece's font.
int textWidthTwips(const std::string& text, const std::string& fontName, int fontSize);

// A navigation button's face: a left- or right-pointing black triangle, twice
// (the second 100 twips to the right) on the outer buttons.
QPixmap paintTriangleFace(QSize size, bool pointsLeft, bool twice, const QColor& background);

} // namespace kvx
