#pragma once

#include "calendar/CalendarContext.h"

#include <QWidget>

#ifndef Q_MOC_RUN
#include "schedule/MonthGrid.h"
#endif

#include <array>

class QPushButton;

namespace kvx {

class MonthGridView;

// The month of the calendar window: the navigation row, the title that leads
// back to today, the weekday header and the day cells. It draws the month the
// view state shows and tells what the user asked for; the window decides.
class MonthPane : public QWidget {
    Q_OBJECT

public:
    MonthPane(CalendarContext& context, QWidget* parent);

    // Draws the shown month: the header (the week start may have changed),
    // the title and the cells.
    void draw();
    void setSelectedCell(int cell);
    const MonthLayout& layout() const { return m_layout; }
    bool weekStartsMonday() const;

signals:
    void monthStepped(MonthStep step);
    void todayClicked();
    void cellClicked(int cell);
    void cellDoubleClicked(int cell);

private:
    void paintHeader();

    CalendarContext& m_context;
    QPushButton* m_title = nullptr;
    std::array<QPushButton*, 7> m_weekdays{};
    MonthGridView* m_grid = nullptr;
    MonthLayout m_layout;
};

} // namespace kvx
