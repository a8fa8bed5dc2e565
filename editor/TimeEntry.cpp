#include "editor/TimeEntry.h"

#include "schedule/EditorInput.h"
#include "ui/Controls.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace kvx {

namespace {

const std::array<QString, 4> kPlaces{QStringLiteral("時 十の位"), QStringLiteral("時 一の位"),
    QStringLiteral("分 十の位"), QStringLiteral("分 一の位")};

QSpinBox* spinner(int maximum)
{
    auto* box = new QSpinBox;
    box->setRange(0, maximum);
    box->setWrapping(true);
    // Only the arrows show: the digit boxes beside it show the value.
    box->setFixedWidth(18);
    box->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    return box;
}

} // namespace

TimeEntry::TimeEntry(int firstBox, const Names& names, QWidget* parent)
    : QWidget(parent)
    , m_firstBox(firstBox)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    m_button = named(new QPushButton(names.caption), names.button, names.caption);
    m_button->setFixedWidth(44);
    row->addWidget(m_button);
    QFont digitFont(QStringLiteral("ＭＳ Ｐゴシック"));
    digitFont.setPointSize(12);
    for (int place = 0; place < 4; ++place) {
        auto* edit = named(new QLineEdit, names.boxes[static_cast<std::size_t>(place)],
            names.caption + QLatin1Char(' ') + kPlaces[static_cast<std::size_t>(place)]);
        edit->setFont(digitFont);
        edit->setFixedWidth(22);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(1);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, place] { boxEdited(place); });
        m_boxes[static_cast<std::size_t>(place)] = edit;
        row->addWidget(edit);
        if (place == 1) {
            m_spinners[0] = named(spinner(23), names.spinners[0], names.caption + QStringLiteral(" 時"));
            row->addWidget(m_spinners[0]);
            row->addWidget(new QLabel(QStringLiteral(":")));
        }
    }
    m_spinners[1] = named(spinner(59), names.spinners[1], names.caption + QStringLiteral(" 分"));
    row->addWidget(m_spinners[1]);
    row->addStretch();
    for (int part = 0; part < 2; ++part) {
        connect(m_spinners[static_cast<std::size_t>(part)], &QSpinBox::valueChanged, this,
            [this, part](int value) { spinnerChanged(part, value); });
    }
    connect(m_button, &QPushButton::clicked, this, [this] {
        m_boxes[0]->setFocus();
        m_boxes[0]->selectAll();
    });
}

std::array<std::string, 4> TimeEntry::digits() const
{
    std::array<std::string, 4> result;
    for (std::size_t i = 0; i < 4; ++i) {
        result[i] = m_boxes[i]->text().toStdString();
    }
    return result;
}

void TimeEntry::setDigits(const std::array<std::string, 4>& digits)
{
    for (std::size_t i = 0; i < 4; ++i) {
        m_boxes[i]->setText(QString::fromStdString(digits[i]));
    }
    syncSpinner(0);
    syncSpinner(1);
}

void TimeEntry::setTime(int hours, int minutes)
{
    const QString text
        = QStringLiteral("%1%2").arg(hours, 2, 10, QLatin1Char('0')).arg(minutes, 2, 10, QLatin1Char('0'));
    for (int i = 0; i < 4; ++i) {
        m_boxes[static_cast<std::size_t>(i)]->setText(text.mid(i, 1));
    }
    syncSpinner(0);
    syncSpinner(1);
}

void TimeEntry::writeBox(int place, const QString& text)
{
    m_boxes[static_cast<std::size_t>(place)]->setText(text);
    syncSpinner(place / 2);
}

// A box holds one character: its digit is selected whenever the user comes in,
// so that the next key replaces it. A mouse press puts the caret after the
// focus came, hence the selection again at the release.
bool TimeEntry::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::FocusIn && type != QEvent::MouseButtonRelease) {
        return QWidget::eventFilter(watched, event);
    }
    for (int place = 0; place < 4; ++place) {
        QLineEdit* box = m_boxes[static_cast<std::size_t>(place)];
        if (watched != box) {
            continue;
        }
        box->selectAll();
        if (type == QEvent::FocusIn) {
            emit boxFocused(m_firstBox + place);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TimeEntry::boxEdited(int place)
{
    QLineEdit* edit = m_boxes[static_cast<std::size_t>(place)];
    const int box = m_firstBox + place;
    const std::string typed = edit->text().toStdString();
    const FilteredText cleaned
        = isTensBox(box) ? keepDigitsUpTo(typed, largestDigit(box)) : keepDigits(typed);
    const std::string tens = m_boxes[0]->text().toStdString();
    if (!cleaned.text.empty() && !cleaned.removed && timeDigitPasses(box, cleaned.text, tens)) {
        edit->setText(QString::fromStdString(cleaned.text));
        if (!isTensBox(box)) {
            syncSpinner(place / 2);
        }
        emit accepted(box);
        return;
    }
    edit->setText(QString::fromStdString(cleaned.text));
    edit->selectAll();
}

void TimeEntry::spinnerChanged(int part, int value)
{
    const QString text = QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    const auto tens = static_cast<std::size_t>(part) * 2;
    m_boxes[tens]->setText(text.left(1));
    m_boxes[tens + 1]->setText(text.right(1));
}

void TimeEntry::syncSpinner(int part)
{
    const auto tens = static_cast<std::size_t>(part) * 2;
    const std::string text = m_boxes[tens]->text().toStdString() + m_boxes[tens + 1]->text().toStdString();
    QSpinBox* spin = m_spinners[static_cast<std::size_t>(part)];
    const long long value = leadingValue(text);
    if (value <= spin->maximum()) {
        const QSignalBlocker blocker(spin);
        spin->setValue(static_cast<int>(value));
    }
}

} // namespace kvx
