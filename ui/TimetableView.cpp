#include "ui/TimetableView.h"

#include "schedule/Timetable.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QPainter>
#include <QScrollBar>

namespace kvx {

using namespace timetable;

namespace {

// The band in twips: the caption, the row of hour labels above the bar row,
// the scroll bar below it, all along the scale.
constexpr int kScaleWidth = kHours * kHourWidth;
constexpr int kBandWidth = 2 * kScaleLeft + kScaleWidth;
constexpr QRect kCaption = twipsRect(120, 0, 2400, 270);
constexpr int kLabelTop = 270;
constexpr int kLabelHeight = 210;
constexpr int kLabelWidth = 450;
constexpr int kRowTop = 495; // where the bar row lies in the band
constexpr QRect kScrollBar = twipsRect(kScaleLeft, kRowTop + kBarHeight + 60, kScaleWidth, 255);
constexpr int kBandHeight = kRowTop + kBarHeight + 60 + 255 + 30;

constexpr QRgb kBarColor = qRgb(255, 255, 192);
constexpr QRgb kBarBorder = qRgb(64, 64, 64);
constexpr QRgb kFrameColor = qRgb(0, 192, 0);
constexpr QRgb kRowColor = qRgb(255, 255, 255);
constexpr QRgb kHourLine = qRgb(208, 208, 208);

} // namespace

TimetableView::TimetableView(const char* scrollBarName, QWidget* parent)
    : QWidget(parent)
    , m_caption(named(
          new QLabel(QStringLiteral("タイムテーブル"), this), "Label9", QStringLiteral("タイムテーブル")))
    , m_scroll(named(new QScrollBar(Qt::Horizontal, this), scrollBarName, QStringLiteral("時間帯スクロール")))
    , m_layout(std::make_unique<TimetableLayout>())
{
    setObjectName(QStringLiteral("Timetable"));
    setAccessibleName(QStringLiteral("タイムテーブル"));
    setFixedSize(px(kBandWidth), px(kBandHeight));
    m_caption->setGeometry(kCaption);
    m_scroll->setGeometry(kScrollBar);
    m_scroll->setRange(kFirstScroll, kLastScroll);
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(1);
    m_scroll->setValue(kFirstScroll);
    m_layout->hours = timetableHours(kFirstScroll);
    connect(m_scroll, &QScrollBar::valueChanged, this, &TimetableView::scrolled);
}

TimetableView::~TimetableView() = default;

int TimetableView::scrollValue() const
{
    return m_scroll->value();
}

void TimetableView::setScrollValue(int value)
{
    if (value != m_scroll->value()) {
        m_scroll->setValue(value);
    }
}

void TimetableView::showLayout(TimetableLayout layout, int framedBar)
{
    *m_layout = std::move(layout);
    m_framedBar = framedBar >= 0 && framedBar < static_cast<int>(m_layout->bars.size()) ? framedBar : -1;
    const auto& hours = m_layout->hours;
    setAccessibleDescription(
        QStringLiteral("%1時から%2時、%3件").arg(hours.front()).arg(hours.back()).arg(m_layout->bars.size()));
    update();
}

QRect TimetableView::pixelsOf(const TwipsBox& box)
{
    // Both edges are converted, so that pieces laid flush in twips stay flush.
    const int top = kRowTop + box.top - kBarTop;
    return {QPoint(px(box.left), px(top)), QPoint(px(box.left + box.width) - 1, px(top + box.height) - 1)};
}

void TimetableView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    paintScale(painter);
    paintBars(painter);
}

void TimetableView::paintScale(QPainter& painter) const
{
    const QRect row = twipsRect(kScaleLeft, kRowTop, kScaleWidth, kBarHeight);
    painter.fillRect(row, QColor(kRowColor));
    painter.setPen(palette().color(QPalette::WindowText));
    for (int i = 0; i < kLabels; ++i) {
        const int x = kScaleLeft + i * kHourWidth;
        const QRect label = twipsRect(x - kLabelWidth / 2, kLabelTop, kLabelWidth, kLabelHeight);
        painter.drawText(
            label, Qt::AlignCenter, QString::number(m_layout->hours[static_cast<std::size_t>(i)]));
    }
    painter.setPen(QColor(kHourLine));
    for (int i = 1; i < kHours; ++i) {
        const int x = px(kScaleLeft + i * kHourWidth);
        painter.drawLine(x, row.top(), x, row.bottom());
    }
}

void TimetableView::paintBars(QPainter& painter) const
{
    // A border-coloured box with the bar colour inside it: two solid fills per
    // bar are the fastest way through a day of thousands of bars.
    const QColor border(kBarBorder);
    const QColor fill(kBarColor);
    for (const TimetableBar& bar : m_layout->bars) {
        const QRect box = pixelsOf(bar.box());
        painter.fillRect(box, border);
        painter.fillRect(box.adjusted(1, 1, -1, -1), fill);
    }
    if (m_framedBar < 0) {
        return;
    }
    for (const TwipsBox& piece : framePieces(m_layout->bars[static_cast<std::size_t>(m_framedBar)].box())) {
        painter.fillRect(pixelsOf(piece), QColor(kFrameColor));
    }
}

} // namespace kvx
