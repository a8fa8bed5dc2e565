#pragma once

// moc cannot read the standard library's concepts; it needs none of these types.
#ifndef Q_MOC_RUN
#include "schedule/DayCells.h"
#endif

#include <QWidget>

namespace kvx {

// The 6 x 7 day cells of a month, painted from their styled lines: 9 point
// lines 204 twips apart, clipped to the cell, and the four bars of the frame
// around the chosen cell. Clicks and double clicks report the cell index.
class MonthGridView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCellWidth = 870; // twips
    static constexpr int kCellHeight = 855;
    static constexpr int kLineSpacing = 204;
    static constexpr int kFrameBar = 50;

    explicit MonthGridView(QWidget* parent = nullptr);

    void setCells(const MonthCells& cells);
    void setSelectedCell(int cell);
    int selectedCell() const { return m_selected; }
    const MonthCells& cells() const { return m_cells; }

    // Cell k in the widget's pixels; the cell under a point, or -1.
    static QRect cellRect(int cell);
    static int cellAt(const QPoint& point);

    QSize sizeHint() const override;

signals:
    void cellClicked(int cell);
    void cellDoubleClicked(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void paintCell(QPainter& painter, int index) const;
    void paintFrame(QPainter& painter) const;

    MonthCells m_cells;
    int m_selected = -1;
    QFont m_plain;
    QFont m_bold;
};

} // namespace kvx
