#include "calendar/MonthPane.h"

#include "calendar/ButtonFace.h"
#include "calendar/MonthGridView.h"
#include "calendar/Placement.h"
#include "schedule/DayLister.h"

#include <QPushButton>

namespace kvx {

namespace {

// The navigation row: year back, month back, month forward, year forward.
constexpr std::array<Place, 4> kNavigation = {{
    {"Command1_0", 127, 0, 375, 375},
    {"Command1_1", 517, 0, 375, 375},
    {"Command1_2", 5292, 0, 375, 375},
    {"Command1_3", 5682, 0, 375, 375},
}};
constexpr Place kTitle = {"Command2", 907, 0, 4380, 375};
constexpr std::array<int, 7> kWeekdayOffsets = {140, 160, 170, 180, 180, 200, 220};
constexpr std::array<int, 7> kWeekdayWidths = {835, 835, 845, 845, 855, 855, 845};
constexpr int kWeekdayTop = 390;
constexpr int kWeekdayHeight = 300;
constexpr Place kGrid = {"RichTextBox1", 120, 705, 870 * 7, 855 * 6};

} // namespace

MonthPane::MonthPane(CalendarContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    named(this, "monthPane", QStringLiteral("月"));
    setGeometry(twipsRect(0, 0, kGrid.x + kGrid.width, kGrid.y + kGrid.height));
    for (std::size_t i = 0; i < kNavigation.size(); ++i) {
        static const std::array<QString, 4> kNames = {QStringLiteral("前の年"), QStringLiteral("前の月"),
            QStringLiteral("次の月"), QStringLiteral("次の年")};
        QPushButton* button = placed(new QPushButton(this), kNavigation[i], kNames[i]);
        button->setIcon(paintTriangleFace(button->size() - QSize(6, 6), i < 2, i == 0 || i == 3,
            button->palette().color(QPalette::Button)));
        button->setIconSize(button->size() - QSize(6, 6));
        connect(
            button, &QPushButton::clicked, this, [this, i] { emit monthStepped(static_cast<MonthStep>(i)); });
    }
    m_title = placed(new QPushButton(this), kTitle, QStringLiteral("今日へ"));
    connect(m_title, &QPushButton::clicked, this, &MonthPane::todayClicked);
    for (std::size_t i = 0; i < m_weekdays.size(); ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("CButton1_%1").arg(i));
        button->setGeometry(twipsRect(
            static_cast<int>(i) * 835 + kWeekdayOffsets[i], kWeekdayTop, kWeekdayWidths[i], kWeekdayHeight));
        button->setFocusPolicy(Qt::NoFocus);
        m_weekdays[i] = button;
    }
    m_grid = placed(new MonthGridView(this), kGrid, QStringLiteral("カレンダー"));
    connect(m_grid, &MonthGridView::cellClicked, this, &MonthPane::cellClicked);
    connect(m_grid, &MonthGridView::cellDoubleClicked, this, &MonthPane::cellDoubleClicked);
}

bool MonthPane::weekStartsMonday() const
{
    return m_context.store.tables().defaults.weekStartsMonday != 0;
}

void MonthPane::setSelectedCell(int cell)
{
    m_grid->setSelectedCell(cell);
}

void MonthPane::paintHeader()
{
    const auto names = weekdayHeader(weekStartsMonday());
    for (std::size_t i = 0; i < m_weekdays.size(); ++i) {
        QPushButton* button = m_weekdays[i];
        const CaptionPiece piece = weekdayPiece(names[i], button->size());
        button->setAccessibleName(QString::fromStdString(names[i].text));
        button->setIcon(paintButtonFace(button->size() - QSize(4, 4), std::span(&piece, 1),
            button->palette().color(QPalette::Button), false));
        button->setIconSize(button->size() - QSize(4, 4));
    }
}

void MonthPane::draw()
{
    const CalendarState& state = m_context.view.calendar;
    m_layout = shownLayout(state, weekStartsMonday());
    paintHeader();
    const int widthOfTwo = textWidthTwips("2", "Tahoma", 14);
    const int widthOfW = textWidthTwips("W", "Tahoma", 14);
    const auto pieces = titlePieces(state.shownYear, state.shownMonth, widthOfTwo, widthOfW);
    m_title->setIcon(paintButtonFace(
        m_title->size() - QSize(6, 6), pieces, m_title->palette().color(QPalette::Button), false));
    m_title->setIconSize(m_title->size() - QSize(6, 6));
    m_title->setToolTip(
        QString::fromStdString(pieces[0].text + " " + pieces[1].text + "月 " + pieces[2].text));
    const AlarmStore& store = m_context.store;
    const DayLister lister(store.alarms(), store.order());
    m_grid->setCells(
        composeMonth(m_layout, store.alarms(), lister, store.tables().routines, m_context.clock.nowOle()));
}

} // namespace kvx
