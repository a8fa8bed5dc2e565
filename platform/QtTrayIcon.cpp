#include "platform/QtTrayIcon.h"

#include "core/Cp932.h"
#include "platform/AppIcons.h"

#include <QMenu>

namespace kvx {

namespace {

constexpr std::size_t kToolTipBytes = 63;

} // namespace

QtTrayIcon::QtTrayIcon(QObject* parent)
    : TrayIcon(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &QtTrayIcon::handleActivation);
}

// Shown even when the desktop has no notification area yet: the icon appears
// once a tray comes up, and the program keeps running meanwhile.
void QtTrayIcon::add(Image image, const QString& toolTip)
{
    modify(image, toolTip);
    m_icon.show();
}

void QtTrayIcon::modify(Image image, const QString& toolTip)
{
    if (m_image != image) {
        m_image = image;
        m_icon.setIcon(trayImageIcon(image));
    }
    setToolTip(toolTip);
}

void QtTrayIcon::setToolTip(const QString& toolTip)
{
    const QString cut = cutToolTip(toolTip);
    if (m_icon.toolTip() != cut) {
        m_icon.setToolTip(cut);
    }
}

void QtTrayIcon::remove()
{
    m_icon.hide();
}

void QtTrayIcon::setMenu(QMenu* menu)
{
    m_icon.setContextMenu(menu);
}

bool QtTrayIcon::available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString QtTrayIcon::cutToolTip(const QString& toolTip)
{
    const std::string encoded = toCp932(toolTip.toStdString());
    return QString::fromStdString(fromCp932(cutCp932(encoded, kToolTipBytes)));
}

// Trays that speak StatusNotifierItem (KDE, GNOME's AppIndicator) deliver no
// double click, so one left click opens the main window unless an alarm is
// sounding; then it is the button-down that stops the alarm.
std::optional<TrayIcon::Action> QtTrayIcon::actionFor(
    QSystemTrayIcon::ActivationReason reason, bool alarmSounding)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        return Action::RightButtonDown;
    case QSystemTrayIcon::DoubleClick:
        return Action::LeftDoubleClick;
    case QSystemTrayIcon::Trigger:
        return alarmSounding ? Action::LeftButtonDown : Action::LeftDoubleClick;
    case QSystemTrayIcon::Unknown:
    case QSystemTrayIcon::MiddleClick:
        break;
    }
    return std::nullopt;
}

void QtTrayIcon::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (const std::optional<Action> action = actionFor(reason, alarmSounding())) {
        emit actionTriggered(*action);
    }
}

} // namespace kvx
