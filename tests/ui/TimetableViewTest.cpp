#include "ui/TimetableView.h"

#include "schedule/Timetable.h"

#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(TimetableView, ScrollBarIsNamedByItsOwnerAndMovesOnlyOnAChange)
{
    TimetableView view("HScroll1");
    auto* scroll = view.findChild<QScrollBar*>(QStringLiteral("HScroll1"));
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->accessibleName(), QStringLiteral("時間帯スクロール"));
    EXPECT_EQ(scroll->minimum(), 14);
    EXPECT_EQ(scroll->maximum(), 24);
    EXPECT_EQ(view.scrollValue(), 14);
    const auto* caption = view.findChild<QLabel*>(QStringLiteral("Label9"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), QStringLiteral("タイムテーブル"));

    QSignalSpy scrolled(&view, &TimetableView::scrolled);
    view.setScrollValue(14);
    EXPECT_EQ(scrolled.count(), 0);
    view.setScrollValue(20);
    view.setScrollValue(20);
    ASSERT_EQ(scrolled.count(), 1);
    EXPECT_EQ(scrolled.front().front().toInt(), 20);
    scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(scrolled.count(), 2);
    EXPECT_EQ(view.scrollValue(), 21);
}

TEST(TimetableView, PaintsBarsAtTheirTwipsAndTheFrameInGreen)
{
    TimetableView view("HScroll3");
    TimetableLayout layout;
    layout.hours = timetableHours(14);
    layout.bars = {{0, 0, 1426, 906}, {1, 1, 4696, 50}};
    view.showLayout(layout, 0);
    const QImage image = view.grab().toImage();

    const QRect framed = TimetableView::pixelsOf(layout.bars[0].box());
    EXPECT_EQ(framed, QRect(95, 33, 60, 25));
    const QRect mark = TimetableView::pixelsOf(layout.bars[1].box());
    struct Row {
        const char* name;
        QPoint at;
        QColor color;
    };
    const Row rows[] = {
        {"inside the framed bar", framed.center(), QColor(255, 255, 192)},
        {"its left frame piece", {framed.left() + 1, framed.center().y()}, QColor(0, 192, 0)},
        {"its right frame piece", {framed.right() - 1, framed.center().y()}, QColor(0, 192, 0)},
        {"its top frame piece", {framed.center().x(), framed.top() + 1}, QColor(0, 192, 0)},
        {"its bottom frame piece", {framed.center().x(), framed.bottom() - 1}, QColor(0, 192, 0)},
        {"inside the unframed mark", {mark.left() + 1, mark.center().y()}, QColor(255, 255, 192)},
        {"the mark's border", {mark.left(), mark.center().y()}, QColor(64, 64, 64)},
        {"the row between the bars", {framed.right() + 20, framed.center().y()}, QColor(255, 255, 255)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(image.pixelColor(row.at), row.color) << row.name;
    }
    EXPECT_EQ(view.framedBar(), 0);
    view.showLayout(layout, 2);
    EXPECT_EQ(view.framedBar(), -1);
}

} // namespace
} // namespace kvx
