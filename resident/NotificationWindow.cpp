#include "resident/NotificationWindow.h"

#include "core/Records.h"
#include "schedule/QuickCommands.h"
#include "ui/Twips.h"
#include "ui/WinColor.h"
#include "ui/WindowPlacement.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace kvx {

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

QLabel* makeBox(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* box = new QLabel(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(twipsRect(left, top, width, height));
    box->setAlignment(Qt::AlignCenter);
    box->setWordWrap(true);
    box->setAutoFillBackground(true);
    box->setTextFormat(Qt::PlainText);
    return box;
}

// The window presents itself to assistive technologies as an alert.
QAccessibleInterface* alertInterface(const QString&, QObject* object)
{
    if (auto* window = qobject_cast<NotificationWindow*>(object)) {
        return new QAccessibleWidget(window, QAccessible::AlertMessage);
    }
    return nullptr;
}

void installAlertRole()
{
    static const bool installed = [] {
        QAccessible::installFactory(alertInterface);
        return true;
    }();
    (void)installed;
}

} // namespace

NotificationWindow::NotificationWindow(QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(px(3195), px(2130));
    setAutoFillBackground(true);

    // Command2 lies under "OK" and takes the focus, so that a stray key press
    // does not stop the alarm.
    m_focusButton = new QPushButton(QStringLiteral("Command2"), this);
    m_focusButton->setObjectName(QStringLiteral("Command2"));
    m_focusButton->setAccessibleName(QStringLiteral("アラーム"));
    m_focusButton->setGeometry(twipsRect(1335, 1830, 495, 180));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    // Read as the desktop notification says it.
    m_okButton->setAccessibleName(QStringLiteral("止める"));
    m_okButton->setGeometry(twipsRect(1035, 1770, 1035, 300));
    m_okButton->setFocusPolicy(Qt::NoFocus);
    m_okButton->raise();
    // The snooze sits left of "OK", its minutes above it; like "OK" it takes
    // no focus, so that a stray key press cannot put the alarm off either.
    m_snoozeButton = new QPushButton(QStringLiteral("スヌーズ"), this);
    m_snoozeButton->setObjectName(QStringLiteral("Command3"));

    m_snoozeButton->setGeometry(twipsRect(60, 1770, 930, 300));
    m_snoozeButton->setFocusPolicy(Qt::NoFocus);
    m_snoozeChoice = new QComboBox(this);
    m_snoozeChoice->setObjectName(QStringLiteral("Combo1"));
    m_snoozeChoice->setAccessibleName(QStringLiteral("スヌーズの分"));
    m_snoozeChoice->setGeometry(twipsRect(60, 1440, 930, 300));
    m_snoozeChoice->setFocusPolicy(Qt::NoFocus);
    for (const int minutes : kSnoozeMinutes) {
        m_snoozeChoice->addItem(QStringLiteral("%1分").arg(minutes), minutes);
    }
    setSnoozeMinutes(kDefaultSnoozeMinutes);
    m_messageBox = makeBox(this, "Rich1", 0, 0, 3165, 1185);
    m_banner = makeBox(this, "Rich2", 1065, 1215, 975, 240);
    m_timeBox = makeBox(this, "Rich3", 1065, 1470, 975, 240);

    connect(m_okButton, &QPushButton::clicked, this, &NotificationWindow::stopRequested);
    connect(m_snoozeButton, &QPushButton::clicked, this, [this] { emit snoozeRequested(snoozeMinutes()); });
    // The snooze is read with its minutes.
    connect(m_snoozeChoice, &QComboBox::currentIndexChanged, this, [this] {
        m_snoozeButton->setAccessibleName(QStringLiteral("スヌーズ（%1分）").arg(snoozeMinutes()));
    });
    m_snoozeButton->setAccessibleName(QStringLiteral("スヌーズ（%1分）").arg(snoozeMinutes()));
    installAlertRole();

    centreOnScreen(*this);
}

// What a screen reader says as the window comes up: the window is an alert
// named by the bell, its time and the message; the control that takes the
// focus (and does nothing) names the message too, never its internal name.
void NotificationWindow::announce(const QString& bell, const QString& time, const QString& message)
{
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString firstLine = text.section(QLatin1Char('\n'), 0, 0);
    setAccessibleName(QStringLiteral("%1 %2 %3").arg(bell, time, firstLine));
    setAccessibleDescription(text);
    m_focusButton->setAccessibleName(QStringLiteral("アラーム：%1").arg(firstLine));
}

void NotificationWindow::setSnoozeMinutes(int minutes)
{
    m_snoozeChoice->setCurrentIndex(m_snoozeChoice->findData(snoozeMinutesOr(minutes)));
}

int NotificationWindow::snoozeMinutes() const
{
    return m_snoozeChoice->currentData().toInt();
}

NotificationWindow::Appearance NotificationWindow::appearanceOf(const AlarmRecord& alarm)
{
    Appearance a;
    a.message = QString::fromStdString(alarm.message);
    a.fontName = QString::fromStdString(alarm.fontName);
    a.fontSize = alarm.fontSize;
    a.bold = alarm.fontBold != 0;
    a.italic = alarm.fontItalic != 0;
    a.underline = alarm.fontUnderline != 0;
    a.strikeOut = alarm.fontStrikethru != 0;
    a.textColor = alarm.textColor;
    a.backColor = alarm.backColor;
    return a;
}

void NotificationWindow::styleBox(QLabel* box, const QString& text, const QColor& fore, const QColor& back)
{
    if (box->text() != text) {
        box->setText(text);
    }
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, fore);
    palette.setColor(QPalette::Window, back);
    box->setPalette(palette);
}

void NotificationWindow::applyAppearance(const Appearance& appearance)
{
    const QColor back = fromWinColor(appearance.backColor);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, back);
    setPalette(palette);

    QFont font(appearance.fontName);
    font.setPointSize(appearance.fontSize > 0 ? appearance.fontSize : 12);
    font.setBold(appearance.bold);
    font.setItalic(appearance.italic);
    font.setUnderline(appearance.underline);
    font.setStrikeOut(appearance.strikeOut);
    m_messageBox->setFont(font);
    // The stored text breaks lines with CR LF.
    QString text = appearance.message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    styleBox(m_messageBox, text, fromWinColor(appearance.textColor), back);
}

void NotificationWindow::fillForAlarm(const Appearance& appearance, bool mainBell, const QString& time)
{
    m_okButton->setEnabled(false);
    m_focusButton->setEnabled(false);
    m_snoozeButton->setEnabled(false);
    setWindowTitle(QStringLiteral("Kalvendorix (アラーム)"));
    applyAppearance(appearance);
    announce(mainBell ? QStringLiteral("本鈴") : QStringLiteral("予鈴"), time, appearance.message);
    if (mainBell) {
        styleBox(m_banner, QStringLiteral("■本鈴■"), kWhite, kBlack);
    } else {
        styleBox(m_banner, QString(), fromWinColor(appearance.textColor), fromWinColor(appearance.backColor));
    }
    styleBox(m_timeBox, time, kWhite, kBlack);
}

void NotificationWindow::fillForMissed(const Appearance& appearance, const QString& time)
{
    setWindowTitle(QStringLiteral("Kalvendorix (スリープ中に過ぎたアラーム)"));
    Appearance shown = appearance;
    shown.message = QStringLiteral("スリープ中に過ぎたアラーム\r\n") + appearance.message;
    applyAppearance(shown);
    announce(QStringLiteral("スリープ中に過ぎたアラーム"), time, appearance.message);
    styleBox(m_banner, QString(), fromWinColor(appearance.textColor), fromWinColor(appearance.backColor));
    styleBox(m_timeBox, time, kWhite, kBlack);
    m_okButton->setEnabled(true);
    m_focusButton->setEnabled(true);
    // Nothing rings: there is nothing to put off.
    m_snoozeButton->setEnabled(false);
}

void NotificationWindow::showPreview(const Appearance& appearance, const QString& time)
{
    setWindowTitle(QStringLiteral("Kalvendorix ■■プレビュー■■"));
    m_snoozeButton->setEnabled(false);
    applyAppearance(appearance);
    announce(QStringLiteral("プレビュー"), time, appearance.message);
    styleBox(m_banner, QStringLiteral("■本鈴■"), kWhite, kBlack);
    styleBox(m_timeBox, time, kWhite, kBlack);
    show();
    keepOnTop();
}

void NotificationWindow::present()
{
    hide();
    show();
    m_okButton->setEnabled(true);
    m_focusButton->setEnabled(true);
    m_snoozeButton->setEnabled(true);
    // The active window: a screen reader announces it, the keyboard lands on the harmless button.
    activateWindow();
    keepOnTop();
}

void NotificationWindow::bringToFront()
{
    show();
    raise();
    activateWindow();
    keepOnTop();
}

void NotificationWindow::keepOnTop()
{
    raise();
    m_focusButton->setFocus(Qt::OtherFocusReason);
}

bool NotificationWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        keepOnTop();
    }
    return QWidget::event(event);
}

void NotificationWindow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    raise();
}

void NotificationWindow::closeEvent(QCloseEvent* event)
{
    emit stopRequested();
    event->accept();
}

} // namespace kvx
