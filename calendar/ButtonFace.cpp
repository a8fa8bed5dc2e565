#include "calendar/ButtonFace.h"

#include "ui/Twips.h"
#include "ui/WinColor.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

namespace kvx {

namespace {

QFont pieceFont(const std::string& fontName, int fontSize, bool bold)
{
    QFont font(QString::fromStdString(fontName), fontSize);
    font.setBold(bold);
    return font;
}

int pieceY(const CaptionPiece& piece, int heightTwips, int heightOfW)
{
    switch (piece.placement) {
    case CaptionPiece::Placement::Bottom:
        return heightTwips - heightOfW - 30;
    case CaptionPiece::Placement::Middle:
        return (heightTwips - heightOfW) / 2;
    case CaptionPiece::Placement::Top:
        break;
    }
    return 30;
}

} // namespace

QPixmap paintButtonFace(QSize size, std::span<const CaptionPiece> pieces, const QColor& background, bool bold)
{
    QPixmap face(size);
    face.fill(background);
    QPainter painter(&face);
    for (const CaptionPiece& piece : pieces) {
        const QFont font = pieceFont(piece.fontName, piece.fontSize, bold);
        const QFontMetrics metrics(font);
        const int heightOfW = twipsOf(metrics.height());
        const int y = pieceY(piece, twipsOf(size.height()), heightOfW);
        painter.setFont(font);
        painter.setPen(fromWinColor(piece.color));
        painter.drawText(QPoint(px(piece.x), px(y) + metrics.ascent()), QString::fromStdString(piece.text));
    }
    return face;
}

int textWidthTwips(const std::string& text, const std::string& fontName, int fontSize)
{
    const QFontMetrics metrics(pieceFont(fontName, fontSize, false));
    return twipsOf(metrics.horizontalAdvance(QString::fromStdString(text)));
}

CaptionPiece weekdayPiece(const WeekdayName& name, QSize size)
{
    CaptionPiece piece{name.text, "ＭＳ Ｐゴシック", 9, name.color, 0, CaptionPiece::Placement::Middle};
    const int width = textWidthTwips(name.text, piece.fontName, piece.fontSize);
    piece.x = (twipsOf(size.width()) - width) / 2 - 10;
    return piece;
}

QPixmap paintTriangleFace(QSize size, bool pointsLeft, bool twice, const QColor& background)
{
    QPixmap face(size);
    face.fill(background);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const double half = 4.0; // half the glyph's height in pixels at 14 points
    const double width = 4.0;
    const double shift = twice ? px(100) : 0.0;
    const double centreX = size.width() / 2.0 - shift / 2.0;
    const double centreY = size.height() / 2.0;
    for (int copy = 0; copy < (twice ? 2 : 1); ++copy) {
        const double x = centreX + copy * shift;
        const double tip = pointsLeft ? x - width / 2 : x + width / 2;
        const double base = pointsLeft ? x + width / 2 : x - width / 2;
        painter.drawPolygon(
            QPolygonF({QPointF(tip, centreY), QPointF(base, centreY - half), QPointF(base, centreY + half)}));
    }
    return face;
}

} // namespace kvx
