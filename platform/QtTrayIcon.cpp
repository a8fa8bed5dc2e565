#include "platform/QtTrayIcon.h"

#include "core/Cp932.h"
#include "platform/AppIcons.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QMenu>

#include <cstdlib>
#include <xcb/xcb.h>

namespace kvx {

namespace {

constexpr std::size_t kToolTipBytes = 63;
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
// While no notification area is there, the X server is asked every 5 s, for 5 minutes.
constexpr int kLookEveryMs = 5000;
constexpr int kMostLooks = 60;

// The X screen of $DISPLAY (":0.1" is screen 1).
int defaultScreen()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.lastIndexOf('.');
    const qsizetype colon = display.lastIndexOf(':');
    return dot > colon && colon >= 0 ? display.mid(dot + 1).toInt() : 0;
}

} // namespace

QtTrayIcon::QtTrayIcon(bool waitForHost, QObject* parent)
    : TrayIcon(parent)
    , m_watcher(kWatcher, QDBusConnection::sessionBus(),
          QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForOwnerChange)
    , m_waitForHost(waitForHost)
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &QtTrayIcon::remake);
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString&, const QString&, const QString& owner) {
            if (!owner.isEmpty()) {
                remake();
            }
        });
    m_lookForHost.setInterval(kLookEveryMs);
    connect(&m_lookForHost, &QTimer::timeout, this, [this] {
        if (++m_looks >= kMostLooks) {
            m_lookForHost.stop(); // from now on only a watcher coming shows it
        }
        showWhenHosted();
    });
}

bool QtTrayIcon::hostPresent() const
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface() != nullptr && bus.interface()->isServiceRegistered(kWatcher)) {
        return true;
    }
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) {
        return false;
    }
    // The XEmbed tray owns the selection "_NET_SYSTEM_TRAY_S<screen>".
    xcb_connection_t* connection = x11->connection();
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(defaultScreen());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.constData()), nullptr);
    if (atom == nullptr) {
        return false;
    }
    xcb_get_selection_owner_reply_t* owner
        = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return owned;
}

// Shown even when the desktop has no notification area yet: the icon appears
// once one comes up, and the program keeps running meanwhile.
void QtTrayIcon::add(Image image, const QString& toolTip)
{
    modify(image, toolTip);
    m_wanted = true;
    showWhenHosted();
    // An XEmbed tray is looked for on X; a watcher coming is told by the bus.
    const bool onX
        = qGuiApp != nullptr && qGuiApp->nativeInterface<QNativeInterface::QX11Application>() != nullptr;
    if (!m_shown && onX) {
        m_looks = 0;
        m_lookForHost.start();
    }
}

void QtTrayIcon::showWhenHosted()
{
    if (!m_wanted || m_shown || (m_waitForHost && !hostPresent())) {
        return;
    }
    m_lookForHost.stop();
    m_shown = true;
    systemTrayIcon().show();
}

// Made when first needed: making one fixes Qt's choice of tray.
QSystemTrayIcon& QtTrayIcon::systemTrayIcon()
{
    if (!m_icon) {
        m_icon = std::make_unique<QSystemTrayIcon>();
        if (m_image) {
            m_icon->setIcon(trayImageIcon(*m_image));
        }
        m_icon->setToolTip(m_toolTip);
        m_icon->setContextMenu(m_menu);
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, &QtTrayIcon::handleActivation);
    }
    return *m_icon;
}

void QtTrayIcon::remake()
{
    if (!m_shown) {
        showWhenHosted();
        return;
    }
    m_icon->hide();
    m_icon.reset();
    systemTrayIcon().show();
}

void QtTrayIcon::modify(Image image, const QString& toolTip)
{
    if (m_image != image) {
        m_image = image;
        if (m_icon) {
            m_icon->setIcon(trayImageIcon(image));
        }
    }
    setToolTip(toolTip);
}

void QtTrayIcon::setToolTip(const QString& toolTip)
{
    const QString cut = cutToolTip(toolTip);
    if (m_toolTip != cut) {
        m_toolTip = cut;
        if (m_icon) {
            m_icon->setToolTip(cut);
        }
    }
}

void QtTrayIcon::remove()
{
    m_wanted = false;
    m_shown = false;
    m_lookForHost.stop();
    if (m_icon) {
        m_icon->hide();
    }
}

void QtTrayIcon::setMenu(QMenu* menu)
{
    m_menu = menu;
    if (m_icon) {
        m_icon->setContextMenu(menu);
    }
}

bool QtTrayIcon::available() const
{
    return m_waitForHost ? hostPresent() : QSystemTrayIcon::isSystemTrayAvailable();
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
