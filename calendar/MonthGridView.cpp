#include "calendar/MonthGridView.h"

#include "ui/Twips.h"
#include "ui/WinColor.h"

#include <QMouseEvent>
#include <QPainter>

namespace kvx {

namespace {

constexpr double kPixelsPerTwip = 1.0 / kTwipsPerPixel;
// The cells' text starts a little inside the cell, as a text box's margin does.
constexpr double kTextInset = 2.0;
const QColor kFrameColor(0, 0, 0);
// Each cell is a box of its own, edged like a text box.
const QColor kCellEdge(160, 160, 160);

} // namespace

namespace {

QSize gridSize()
{
    return {px(MonthGridView::kCellWidth * MonthLayout::kColumns),
        px(MonthGridView::kCellHeight * MonthLayout::kCells / MonthLayout::kColumns)};
}

} // namespace

MonthGridView::MonthGridView(QWidget* parent)
    : QWidget(parent)
    , m_plain(QStringLiteral("ＭＳ Ｐゴシック"), 9)
{
    m_bold = m_plain;
    m_bold.setBold(true);
    setFixedSize(gridSize());
    setAccessibleName(QStringLiteral("カレンダー"));
}

QSize MonthGridView::sizeHint() const
{
    return gridSize();
}

QRect MonthGridView::cellRect(int cell)
{
    const int column = cell % MonthLayout::kColumns;
    const int row = cell / MonthLayout::kColumns;
    return twipsRect(column * kCellWidth, row * kCellHeight, kCellWidth, kCellHeight);
}

int MonthGridView::cellAt(const QPoint& point)
{
    for (int k = 0; k < MonthLayout::kCells; ++k) {
        if (cellRect(k).contains(point)) {
            return k;
        }
    }
    return -1;
}

void MonthGridView::setCells(const MonthCells& cells)
{
    m_cells = cells;
    update();
}

void MonthGridView::setSelectedCell(int cell)
{
    m_selected = cell;
    update();
}

void MonthGridView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    for (int k = 0; k < MonthLayout::kCells; ++k) {
        paintCell(painter, k);
    }
    paintFrame(painter);
}

void MonthGridView::paintCell(QPainter& painter, int index) const
{
    const DayCell& cell = m_cells[static_cast<std::size_t>(index)];
    const QRect rect = cellRect(index);
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, fromWinColor(cell.background));
    const double lineHeight = kLineSpacing * kPixelsPerTwip;
    double top = rect.top();
    for (const CellLine& line : cell.lines) {
        if (top >= rect.bottom()) {
            break;
        }
        painter.setFont(line.bold ? m_bold : m_plain);
        painter.setPen(fromWinColor(line.color));
        const QRectF box(rect.left() + kTextInset, top, 10000.0, lineHeight);
        painter.drawText(
            box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromStdString(line.text));
        top += lineHeight;
    }
    painter.setPen(kCellEdge);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

void MonthGridView::paintFrame(QPainter& painter) const
{
    if (m_selected < 0 || m_selected >= MonthLayout::kCells) {
        return;
    }
    const QRect cell = cellRect(m_selected);
    const int bar = px(kFrameBar);
    // The right bar stands 40 twips in from the cell's right edge, as designed.
    const int rightLeft = cell.left() + px(kCellWidth - 40);
    painter.fillRect(QRect(cell.left(), cell.top(), bar, cell.height()), kFrameColor);
    painter.fillRect(QRect(rightLeft, cell.top(), bar, cell.height()), kFrameColor);
    painter.fillRect(QRect(cell.left(), cell.top(), cell.width(), bar), kFrameColor);
    painter.fillRect(QRect(cell.left(), cell.bottom() + 1 - bar, cell.width(), bar), kFrameColor);
}

void MonthGridView::mousePressEvent(QMouseEvent* event)
{
    const int cell = cellAt(event->position().toPoint());
    if (cell >= 0 && event->button() == Qt::LeftButton) {
        emit cellClicked(cell);
    }
}

void MonthGridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int cell = cellAt(event->position().toPoint());
    if (cell >= 0 && event->button() == Qt::LeftButton) {
        emit cellDoubleClicked(cell);
    }
}

} // namespace kvx
