#include "calendar/MonthGridView.h"

#include "platform/FontSubstitutions.h"
#include "schedule/DayLister.h"
#include "schedule/DisplayOrder.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kvx {
namespace {

const QString kReference = QStringLiteral(KVX_CALENDAR_TEST_DATA_DIR "/february-2026.png");
constexpr int kSelected = 17; // 2026-02-18

// February 2026 with a Sunday start, a rota and two alarms on the 18th.
MonthCells february()
{
    AlarmTable table;
    for (const char* message : {"歯医者", "会議"}) {
        AlarmRecord record;
        record.kind = kKindOnce;
        record.startTime = OleDate::fromCivil(2026, 2, 18, 10, 0);
        record.message = message;
        table.add(record);
    }
    RoutineList rota;
    rota.routineCount = 2;
    rota.routineStart = OleDate::fromCivil(2026, 2, 1);
    rota.routineNames = {"日勤", "夜勤", ""};
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    const DayLister lister(table, order);
    return composeMonth(monthLayout(2026, 2, false), table, lister, rota, OleDate::fromCivil(2026, 2, 1));
}

QImage render()
{
    installFontSubstitutions();
    MonthGridView view;
    view.setCells(february());
    view.setSelectedCell(kSelected);
    QImage image(view.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    view.render(&image);
    return image;
}

// A point of the cell's background, clear of its text and of the frame.
QPoint backgroundPoint(int cell)
{
    return MonthGridView::cellRect(cell).topRight() + QPoint(-6, 34);
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

TEST(MonthGridViewTest, FebruaryMatchesTheReferenceImage)
{
    const QImage image = render();
    if (qEnvironmentVariableIsSet("KVX_WRITE_REFERENCE_IMAGES")) {
        ASSERT_TRUE(image.save(kReference));
    }
    const QImage reference(kReference);
    ASSERT_FALSE(reference.isNull()) << kReference.toStdString();
    ASSERT_EQ(reference.size(), image.size());

    struct Point {
        const char* name;
        QPoint at;
        QColor color;
    };
    const Point points[] = {
        {"2026-02-01 Sunday", backgroundPoint(0), QColor(252, 225, 253)},
        {"2026-02-07 Saturday", backgroundPoint(6), QColor(224, 245, 254)},
        {"2026-02-11 holiday", backgroundPoint(10), QColor(252, 225, 253)},
        {"2026-02-12 weekday", backgroundPoint(11), QColor(255, 255, 255)},
        {"2026-03-03 greyed", backgroundPoint(30), QColor(200, 200, 200)},
        {"2026-03-07 greyed Saturday", backgroundPoint(34), QColor(200, 200, 200)},
        {"2026-02-18 frame, left bar", MonthGridView::cellRect(kSelected).topLeft() + QPoint(1, 30),
            QColor(0, 0, 0)},
        {"2026-02-18 frame, bottom bar", MonthGridView::cellRect(kSelected).bottomLeft() + QPoint(30, -1),
            QColor(0, 0, 0)},
        {"2026-02-18 inside the frame", backgroundPoint(kSelected) - QPoint(2, 2), QColor(255, 255, 255)},
    };
    for (const Point& point : points) {
        EXPECT_TRUE(near(image.pixel(point.at), point.color.rgb(), 4)) << point.name;
        EXPECT_TRUE(near(reference.pixel(point.at), point.color.rgb(), 4)) << point.name;
    }
    // The text: hardly a pixel may differ from the reference.
    int differing = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            differing += near(image.pixel(x, y), reference.pixel(x, y), 24) ? 0 : 1;
        }
    }
    EXPECT_LE(differing, image.width() * image.height() / 200);
}

TEST(MonthGridViewTest, LinesOfACellInRedBlueAndBlack)
{
    const QImage image = render();
    struct Row {
        const char* name;
        int cell;
        QColor ink;
    };
    const Row rows[] = {
        {"2026-02-01 Sunday number", 0, QColor(255, 0, 0)},
        {"2026-02-07 Saturday number", 6, QColor(0, 0, 255)},
        {"2026-02-11 holiday number", 10, QColor(255, 0, 0)},
    };
    for (const Row& row : rows) {
        const QRect firstLine = MonthGridView::cellRect(row.cell).adjusted(0, 0, 0, -43);
        bool found = false;
        for (int y = firstLine.top(); y <= firstLine.bottom() && !found; ++y) {
            for (int x = firstLine.left(); x <= firstLine.right() && !found; ++x) {
                found = near(image.pixel(x, y), row.ink.rgb(), 40);
            }
        }
        EXPECT_TRUE(found) << row.name;
    }
}

TEST(MonthGridViewTest, ClicksReportTheCell)
{
    MonthGridView view;
    view.setCells(february());
    QSignalSpy clicked(&view, &MonthGridView::cellClicked);
    QSignalSpy doubled(&view, &MonthGridView::cellDoubleClicked);
    for (const int cell : {0, 6, 7, 23, 41}) {
        QTest::mouseClick(&view, Qt::LeftButton, {}, MonthGridView::cellRect(cell).center());
        ASSERT_EQ(clicked.count(), 1);
        EXPECT_EQ(clicked.takeFirst().at(0).toInt(), cell);
        QTest::mouseDClick(&view, Qt::LeftButton, {}, MonthGridView::cellRect(cell).center());
        ASSERT_EQ(doubled.count(), 1);
        EXPECT_EQ(doubled.takeFirst().at(0).toInt(), cell);
        clicked.clear();
    }
    EXPECT_EQ(MonthGridView::cellAt(QPoint(-1, 5)), -1);
    EXPECT_EQ(MonthGridView::cellAt(QPoint(view.width() - 1, view.height() - 1)), 41);
}

} // namespace
} // namespace kvx
