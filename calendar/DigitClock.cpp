#include "calendar/DigitClock.h"

#include "platform/Clock.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QDir>
#include <QPaintEvent>
#include <QPainter>

// The glyph bitmaps live in this static library; the linker keeps them only
// when they are registered by name, which has to happen outside any namespace.
static void registerClockResources()
{
    Q_INIT_RESOURCE(clock);
}

namespace kvx {

namespace {

constexpr int kTickMs = 1000;
// Each tick comes just after the second starts, so that it reads the new second.
constexpr int kTickPhaseMs = 5;
constexpr int kHalfWidth = DigitClock::kGlyphWidth / 2;
constexpr int kSlashIndex = 10;
constexpr int kColonIndex = 11;

const QString kTimeFormat = QStringLiteral("HH:mm:ss");
const QString kDateFormat = QStringLiteral("yyyy/MM/dd");

// A user's bitmap from the program folder when it loads and is large enough,
// else the bundled one; both as plain 32-bit pixels, copied as they are.
QImage glyphImage(const QString& programDirectory, const QString& fileName, QSize least)
{
    if (!programDirectory.isEmpty()) {
        const QImage own(QDir(programDirectory).filePath(fileName));
        if (!own.isNull() && own.width() >= least.width() && own.height() >= least.height()) {
            return own.convertToFormat(QImage::Format_RGB32);
        }
    }
    return QImage(QStringLiteral(":/clock/") + fileName).convertToFormat(QImage::Format_RGB32);
}

// Where a character's glyph is in a strip: digits full width, "/" and ":" half.
QRect glyphRect(QChar c)
{
    if (c.isDigit()) {
        return {
            c.digitValue() * DigitClock::kGlyphWidth, 0, DigitClock::kGlyphWidth, DigitClock::kGlyphHeight};
    }
    const int index = c == u'/' ? kSlashIndex : c == u':' ? kColonIndex : -1;
    if (index < 0) {
        return {};
    }
    const int x = 9 * DigitClock::kGlyphWidth + (index - 9) * kHalfWidth + kHalfWidth;
    return {x, 0, kHalfWidth, DigitClock::kGlyphHeight};
}

int textWidth(QStringView text)
{
    int width = 0;
    for (const QChar c : text) {
        width += glyphRect(c).width();
    }
    return width;
}

// The first character of "hh:nn:ss" that can differ from the second before:
// a carry reaches one digit further for each place that rolled over to 0.
qsizetype firstChangedCharacter(const QString& text)
{
    if (text.mid(6, 2) == u"00") {
        if (text.mid(3, 2) == u"00") {
            return text.at(1) == u'0' ? 0 : 1;
        }
        return text.at(4) == u'0' ? 3 : 4;
    }
    return text.at(7) == u'0' ? 6 : 7;
}

QString secondBefore(const QString& text)
{
    return QTime::fromString(text, kTimeFormat).addSecs(-1).toString(kTimeFormat);
}

} // namespace

DigitClock::DigitClock(Clock& clock, const QString& programDirectory, QWidget* parent)
    : QWidget(parent)
    , m_clock(clock)
    , m_timer(clock.createTimer())
    , m_surface(px(kWidthTwips), px(kHeightTwips), QImage::Format_RGB32)
{
    static const bool registered = (registerClockResources(), true);
    Q_UNUSED(registered);
    m_dateStrip = glyphImage(programDirectory, QStringLiteral("numb_d2l.bmp"), {kStripWidth, kGlyphHeight});
    m_timeStrip = glyphImage(programDirectory, QStringLiteral("numb_d2c.bmp"), {kStripWidth, kGlyphHeight});
    m_labels = glyphImage(programDirectory, QStringLiteral("weekday.bmp"), {kLabelsWidth, kLabelHeight});
    m_surface.fill(Qt::black);

    named(this, "Picture5", QStringLiteral("時計"));
    setFixedSize(m_surface.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer->setSingleShot(true);
    m_timer->onTimeout = [this] {
        tick();
        armTick();
    };
}

DigitClock::~DigitClock() = default;

QSize DigitClock::sizeHint() const
{
    return m_surface.size();
}

bool DigitClock::timerActive() const
{
    return m_timer->isActive();
}

void DigitClock::paintAll()
{
    const QDateTime now = m_clock.now();
    paintClock(now.date(), now.time());
}

void DigitClock::paintClock(const QDate& date, const QTime& time)
{
    drawGlyphText(date.toString(kDateFormat), m_dateStrip, kDateX, kTop);
    const QRect label((date.dayOfWeek() - 1) * kLabelWidth, 0, kLabelWidth, kLabelHeight);
    copy(m_labels, label, {kWeekdayX, kWeekdayY});
    drawAmPm(time, kAmPmX);
    m_lastClockText = time.toString(kTimeFormat);
    drawGlyphText(m_lastClockText, m_timeStrip, kTimeX, kTop);
    update();
}

void DigitClock::tick()
{
    const QDateTime now = m_clock.now();
    const QString text = now.time().toString(kTimeFormat);
    // Midnight brings a new date; a skipped second or a clock set by the user
    // leaves digits behind that the step below would not touch.
    if (text == u"00:00:00") {
        paintClock(now.date(), now.time());
        return;
    }
    if (text == m_lastClockText) {
        return;
    }
    if (m_lastClockText != secondBefore(text)) {
        paintClock(now.date(), now.time());
        return;
    }
    QRect changed;
    if (text == u"12:00:00") {
        drawAmPm(now.time(), kAmPmX);
        changed = QRect(kAmPmX, kTop, kMarkWidth, kGlyphHeight);
    }
    const qsizetype first = firstChangedCharacter(text);
    const int x = kTimeX + textWidth(QStringView(text).left(first));
    const int end = drawGlyphText(text.mid(first), m_timeStrip, x, kTop);
    update(changed.united(QRect(x, kTop, end - x, kGlyphHeight)));
    m_lastClockText = text;
}

int DigitClock::drawGlyphText(const QString& text, const QImage& strip, int x, int y)
{
    for (const QChar c : text) {
        const QRect from = glyphRect(c);
        copy(strip, from, {x, y});
        x += from.width();
    }
    return x;
}

void DigitClock::drawAmPm(const QTime& time, int x)
{
    const bool pm = time.hour() > 11;
    QPainter painter(&m_surface);
    painter.fillRect(x, kTop, kMarkWidth, kGlyphHeight, Qt::black);
    painter.end();
    copy(m_labels, QRect(pm ? kPmSourceX : kAmSourceX, 0, kMarkWidth, kLabelHeight), {x, pm ? kPmY : kAmY});
}

void DigitClock::copy(const QImage& source, const QRect& from, QPoint to)
{
    if (from.isEmpty()) {
        return;
    }
    QPainter painter(&m_surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(to, source, from);
}

void DigitClock::armTick()
{
    m_timer->start(kTickMs - m_clock.now().time().msec() + kTickPhaseMs);
}

void DigitClock::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface, event->rect());
}

// Every show paints the panel anew, as the time has moved on while it was hidden.
void DigitClock::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    paintAll();
    armTick();
}

// A hidden panel wakes nobody.
void DigitClock::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

} // namespace kvx
