#pragma once

#include <QImage>
#include <QWidget>

#include <memory>

namespace kvx {

class Clock;
class Timer;

// The calendar window's clock panel: date, weekday, AM or PM and the time,
// copied from glyph bitmaps onto an off-screen surface that the paint event
// shows. Each second redraws only the digits that changed from the second
// before; a skipped second, a clock set by the user, midnight and every show
// paint the whole panel. The one-second tick runs only while the panel is
// shown, and fires just after each wall-clock second starts.
//
// The glyphs come from three bitmaps bundled with the program; a file of the
// same name in the program folder replaces one when it loads and is at least
// the layout's size:
//   numb_d2l.bmp  date digits 0..9 of 12 x 22, then "/" at x 120 and ":" at x 126, 6 wide
//   numb_d2c.bmp  time digits, the same layout
//   weekday.bmp   seven weekday labels of 24 x 10, Monday first; AM at x 168 and PM at x 184, 16 x 10
class DigitClock : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidthTwips = 4555;
    static constexpr int kHeightTwips = 390;

    // The glyph strips.
    static constexpr int kGlyphWidth = 12;
    static constexpr int kGlyphHeight = 22;
    static constexpr int kStripWidth = 11 * kGlyphWidth; // ten digits and two half glyphs
    // The weekday bitmap.
    static constexpr int kLabelWidth = 24;
    static constexpr int kLabelHeight = 10;
    static constexpr int kMarkWidth = 16;
    static constexpr int kAmSourceX = 7 * kLabelWidth;
    static constexpr int kPmSourceX = kAmSourceX + kMarkWidth;
    static constexpr int kLabelsWidth = kPmSourceX + kMarkWidth;

    // Where the pieces go on the panel, in pixels: the date "yyyy/mm/dd" ends at
    // 138; the weekday label, the AM/PM mark and the time follow 5, 5 and 0 apart.
    static constexpr int kTop = 2;
    static constexpr int kDateX = 30;
    static constexpr int kWeekdayX = 143;
    static constexpr int kWeekdayY = 8;
    static constexpr int kAmPmX = 172;
    static constexpr int kAmY = 5;
    static constexpr int kPmY = 8;
    static constexpr int kTimeX = 188;

    // `programDirectory` is where the user's own glyph bitmaps may be.
    DigitClock(Clock& clock, const QString& programDirectory, QWidget* parent = nullptr);
    ~DigitClock() override;

    // Paints the whole panel from the clock's date and time.
    void paintAll();
    // The step of every second: redraws what changed since the last time painted.
    void tick();

    // The time the panel shows, "hh:nn:ss" on the 24-hour clock.
    QString lastClockText() const { return m_lastClockText; }
    const QImage& surface() const { return m_surface; }
    // For tests that mark the surface to see what the next step paints over.
    QImage& surfaceForTest() { return m_surface; }
    bool timerActive() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void paintClock(const QDate& date, const QTime& time);
    // Copies the glyphs of digits, "/" and ":" side by side from x; returns the x after the last.
    int drawGlyphText(const QString& text, const QImage& strip, int x, int y);
    void drawAmPm(const QTime& time, int x);
    void copy(const QImage& source, const QRect& from, QPoint to);
    void armTick();

    Clock& m_clock;
    std::unique_ptr<Timer> m_timer;
    QImage m_dateStrip;
    QImage m_timeStrip;
    QImage m_labels;
    QImage m_surface;
    QString m_lastClockText;
};

} // namespace kvx
