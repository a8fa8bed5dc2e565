#include "calendar/DigitClock.h"

#include "doubles/FakeClock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kvx {
namespace {

const QRgb kMarker = qRgb(255, 0, 255);
const QDate kWednesday(2026, 2, 18);

QImage bundled(const char* name)
{
    return QImage(QStringLiteral(":/clock/") + QLatin1String(name)).convertToFormat(QImage::Format_RGB32);
}

// The columns of the surface where any pixel lost the marker, as "from-to" runs.
QString changedColumns(const QImage& surface)
{
    QStringList runs;
    int start = -1;
    for (int x = 0; x <= surface.width(); ++x) {
        bool changed = false;
        for (int y = 0; x < surface.width() && y < surface.height() && !changed; ++y) {
            changed = surface.pixel(x, y) != kMarker;
        }
        if (changed && start < 0) {
            start = x;
        } else if (!changed && start >= 0) {
            runs << QStringLiteral("%1-%2").arg(start).arg(x - 1);
            start = -1;
        }
    }
    return runs.join(u' ');
}

// A glyph of a strip: digits 12 wide, "/" at 120 and ":" at 126, 6 wide.
QRect glyphOf(QChar c)
{
    if (c.isDigit()) {
        return {c.digitValue() * 12, 0, 12, 22};
    }
    return {c == u'/' ? 120 : 126, 0, 6, 22};
}

class DigitClockTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    FakeClock m_clock{QDateTime(kWednesday, QTime(10, 0))};
};

TEST_F(DigitClockTest, EachSecondRedrawsFromTheFirstChangedDigit)
{
    const QString wholePanel = QStringLiteral("30-137 143-166 172-271");
    struct Row {
        const char* name;
        QTime before;
        int advanceMs;
        QString changed;
    };
    const Row rows[] = {
        {"a second", QTime(12, 34, 56), 1000, QStringLiteral("260-271")},
        {"ten seconds", QTime(12, 34, 49), 1000, QStringLiteral("248-271")},
        {"a minute", QTime(12, 34, 59), 1000, QStringLiteral("230-271")},
        {"ten minutes", QTime(10, 9, 59), 1000, QStringLiteral("218-271")},
        {"an hour", QTime(13, 59, 59), 1000, QStringLiteral("200-271")},
        {"ten hours", QTime(9, 59, 59), 1000, QStringLiteral("188-271")},
        {"noon turns AM to PM", QTime(11, 59, 59), 1000, QStringLiteral("172-187 200-271")},
        {"midnight brings the new date", QTime(23, 59, 59), 1000, wholePanel},
        {"a skipped second", QTime(12, 34, 59), 2000, wholePanel},
        {"the same second again", QTime(12, 34, 56), 400, QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_clock.setNow(QDateTime(kWednesday, row.before));
        DigitClock panel(m_clock, m_dir.path());
        panel.paintAll();
        panel.surfaceForTest().fill(kMarker);
        m_clock.advanceMs(row.advanceMs);
        panel.tick();
        EXPECT_EQ(changedColumns(panel.surface()), row.changed);
        EXPECT_EQ(panel.lastClockText(), m_clock.now().time().toString(QStringLiteral("HH:mm:ss")));
    }
}

TEST_F(DigitClockTest, FullPaintCopiesTheGlyphsOfDateWeekdayMarkAndTime)
{
    struct Row {
        const char* name;
        QDateTime at;
        int labelX;
        int markX;
        int markY;
    };
    const Row rows[] = {
        {"Wednesday morning", QDateTime(kWednesday, QTime(9, 41, 7)), 48, 168, 5},
        {"Sunday evening", QDateTime(QDate(2026, 3, 1), QTime(21, 5, 30)), 144, 184, 8},
        {"Monday at noon", QDateTime(QDate(2025, 12, 29), QTime(12, 0)), 0, 184, 8},
    };
    const QImage dateStrip = bundled("numb_d2l.bmp");
    const QImage timeStrip = bundled("numb_d2c.bmp");
    const QImage labels = bundled("weekday.bmp");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_clock.setNow(row.at);
        DigitClock panel(m_clock, m_dir.path());
        panel.surfaceForTest().fill(kMarker);
        panel.paintAll();
        const QImage& surface = panel.surface();

        const auto expectText = [&](const QString& text, const QImage& strip, int x) {
            for (const QChar c : text) {
                const QRect glyph = glyphOf(c);
                EXPECT_EQ(surface.copy(x, 2, glyph.width(), 22), strip.copy(glyph))
                    << c.toLatin1() << " at " << x;
                x += glyph.width();
            }
        };
        expectText(row.at.date().toString(QStringLiteral("yyyy/MM/dd")), dateStrip, 30);
        expectText(row.at.time().toString(QStringLiteral("HH:mm:ss")), timeStrip, 188);
        EXPECT_EQ(surface.copy(143, 8, 24, 10), labels.copy(row.labelX, 0, 24, 10));

        // The mark on its cleared block.
        QImage block = surface.copy(172, 2, 16, 22);
        EXPECT_EQ(block.copy(0, row.markY - 2, 16, 10), labels.copy(row.markX, 0, 16, 10));
        block.fill(Qt::black);
        EXPECT_EQ(surface.copy(172, 2, 16, row.markY - 2), block.copy(0, 0, 16, row.markY - 2));
        EXPECT_EQ(
            surface.copy(172, row.markY + 10, 16, 14 - row.markY), block.copy(0, 0, 16, 14 - row.markY));

        EXPECT_EQ(panel.grab().toImage().convertToFormat(QImage::Format_RGB32), surface);
    }
}

TEST_F(DigitClockTest, OwnBitmapReplacesTheBundledOneOnlyWhenItLoadsAndIsLargeEnough)
{
    const QRgb own = qRgb(255, 0, 0);
    struct Row {
        const char* name;
        const char* file;
        QSize size; // empty: bytes that are no image
        QPoint probe;
        bool used;
    };
    const Row rows[] = {
        {"time strip of the layout's size", "numb_d2c.bmp", {132, 22}, {194, 12}, true},
        {"larger time strip", "numb_d2c.bmp", {300, 40}, {194, 12}, true},
        {"time strip a pixel too narrow", "numb_d2c.bmp", {131, 22}, {194, 12}, false},
        {"corrupt time strip", "numb_d2c.bmp", {}, {194, 12}, false},
        {"date strip of the layout's size", "numb_d2l.bmp", {132, 22}, {36, 12}, true},
        {"date strip a pixel too low", "numb_d2l.bmp", {132, 21}, {36, 12}, false},
        {"weekday labels of the layout's size", "weekday.bmp", {200, 10}, {150, 12}, true},
        {"weekday labels a pixel too narrow", "weekday.bmp", {199, 10}, {150, 12}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir program;
        const QString path = program.filePath(QLatin1String(row.file));
        if (row.size.isEmpty()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("BM this is no bitmap");
        } else {
            QImage image(row.size, QImage::Format_RGB32);
            image.fill(own);
            ASSERT_TRUE(image.save(path, "BMP"));
        }
        DigitClock panel(m_clock, program.path());
        panel.paintAll();
        EXPECT_EQ(panel.surface().pixel(row.probe) == own, row.used);
    }
}

TEST_F(DigitClockTest, TickRunsOnlyWhileShownJustAfterEachSecond)
{
    m_clock.setNow(QDateTime(kWednesday, QTime(10, 0, 0, 300)));
    QWidget window;
    new DigitClock(m_clock, m_dir.path(), &window);
    auto* panel = window.findChild<DigitClock*>(QStringLiteral("Picture5"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->size(), QSize(303, 26));
    EXPECT_FALSE(panel->timerActive());

    window.show();
    EXPECT_TRUE(panel->timerActive());
    EXPECT_EQ(panel->lastClockText(), QStringLiteral("10:00:00"));
    m_clock.advanceMs(704);
    EXPECT_EQ(panel->lastClockText(), QStringLiteral("10:00:00"));
    m_clock.advanceMs(1);
    EXPECT_EQ(panel->lastClockText(), QStringLiteral("10:00:01"));
    m_clock.advanceMs(1000);
    EXPECT_EQ(panel->lastClockText(), QStringLiteral("10:00:02"));

    window.hide();
    EXPECT_FALSE(panel->timerActive());
    m_clock.advanceMs(5000);
    EXPECT_EQ(panel->lastClockText(), QStringLiteral("10:00:02"));

    window.show();
    EXPECT_TRUE(panel->timerActive());
    EXPECT_EQ(panel->lastClockText(), QStringLiteral("10:00:07"));
}

} // namespace
} // namespace kvx
