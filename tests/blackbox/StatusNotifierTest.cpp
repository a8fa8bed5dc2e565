#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/StatusNotifierWatcher.h"
#include "tests/blackbox/UserSession.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QStringList>

#include <csignal>
#include <gtest/gtest.h>

// On a desktop whose notification area speaks StatusNotifierItem (KDE Plasma,
// GNOME with the AppIndicator extension, no XEmbed tray), the icon registers
// with the watcher, exports its menu over D-Bus for the desktop to draw, and
// the menu's items work when the desktop sends their clicks.

namespace kvx::test {
namespace {

constexpr int kBoundMs = 30000;

// Waits with this process's events running: the program calls the watcher.
template <typename Check> bool waitFor(Check check)
{
    const QDeadlineTimer deadline(kBoundMs);
    while (!check() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return check();
}

struct MenuItem {
    int id = 0;
    QString label;
    QList<MenuItem> children;
};

MenuItem readItem(const QDBusArgument& argument)
{
    MenuItem item;
    QVariantMap properties;
    argument.beginStructure();
    argument >> item.id >> properties;
    item.label = properties.value(QStringLiteral("label")).toString();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children << readItem(qvariant_cast<QDBusArgument>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return item;
}

// "label", or "label (child/child)" for a submenu; separators have no label.
QStringList labelsOf(const MenuItem& menu)
{
    QStringList labels;
    for (const MenuItem& item : menu.children) {
        if (item.label.isEmpty()) {
            continue;
        }
        QStringList children;
        for (const MenuItem& child : item.children) {
            children << child.label;
        }
        labels << (children.isEmpty() ? item.label : item.label + " (" + children.join(u'/') + ")");
    }
    return labels;
}

int idOf(const MenuItem& menu, const QString& label)
{
    for (const MenuItem& item : menu.children) {
        if (item.label == label) {
            return item.id;
        }
    }
    return -1;
}

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path,
    const QString& interface, const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    // The program may call the watcher, in this process, before it answers.
    QDBusPendingCall reply = bus.asyncCall(message, kBoundMs);
    waitFor([&reply] { return reply.isFinished(); });
    return reply.reply();
}

// Plays the desktop's StatusNotifierWatcher on `bus`, as a panel does.
bool serveWatcher(QDBusConnection& bus, Watcher& watcher)
{
    return bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties
                   | QDBusConnection::ExportAllSignals)
        && bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

TEST(StatusNotifier, TheMenuReachesTheDesktopAndItsExitEndsTheProgram)
{
    KVX_REQUIRE_DESKTOP(missingTools({QStringLiteral("dbus-daemon")}));
    ProgramSandbox sandbox;
    QProcessEnvironment env
        = sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), QStringLiteral("xcb"));
    std::string problem;
    const std::unique_ptr<Helper> busDaemon = startSessionBus({QStringLiteral("--session")}, env, problem);
    ASSERT_TRUE(busDaemon) << problem;
    QDBusConnection bus = QDBusConnection::connectToBus(
        env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")), QStringLiteral("watcher"));
    ASSERT_TRUE(bus.isConnected());
    Watcher watcher;
    ASSERT_TRUE(serveWatcher(bus, watcher));

    ResidentProcess program(env, sandbox.scratchFile(QStringLiteral("ready")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(waitFor([&] { return !watcher.items().isEmpty() || !program.isRunning(); }))
        << program.output().toStdString();
    ASSERT_FALSE(watcher.items().isEmpty()) << program.output().toStdString();
    const QString item = watcher.items().front();

    const QDBusMessage menuPath = call(bus, item, QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu")});
    ASSERT_EQ(menuPath.type(), QDBusMessage::ReplyMessage) << menuPath.errorMessage().toStdString();
    const QString menu
        = qvariant_cast<QDBusObjectPath>(qvariant_cast<QDBusVariant>(menuPath.arguments().front()).variant())
              .path();
    ASSERT_NE(menu, QStringLiteral("/NO_DBUSMENU"));

    const QDBusMessage layout = call(bus, item, menu, QStringLiteral("com.canonical.dbusmenu"),
        QStringLiteral("GetLayout"), {0, -1, QStringList{}});
    ASSERT_EQ(layout.type(), QDBusMessage::ReplyMessage) << layout.errorMessage().toStdString();
    const MenuItem root = readItem(qvariant_cast<QDBusArgument>(layout.arguments().at(1)));
    EXPECT_EQ(labelsOf(root),
        (QStringList{QStringLiteral("Kalvendorix"), QStringLiteral("編集"),
            QStringLiteral("スタートアップ (登録/削除)"), QStringLiteral("一時停止"),
            QStringLiteral("ログ表示"), QStringLiteral("バージョン情報"), QStringLiteral("終了")}));

    const int exitItem = idOf(root, QStringLiteral("終了"));
    ASSERT_GT(exitItem, 0);
    call(bus, item, menu, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
        {exitItem, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0U});
    EXPECT_EQ(program.waitForExit(kBoundMs), std::optional<int>(0)) << program.output().toStdString();
}

// Started before the panel (autostart racing the desktop): the icon is made
// again when the watcher comes, and registers with it.
TEST(StatusNotifier, AnIconMadeBeforeThePanelMovesToItWhenItComes)
{
    KVX_REQUIRE_DESKTOP(missingTools({QStringLiteral("dbus-daemon")}));
    ProgramSandbox sandbox;
    QProcessEnvironment env
        = sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), QStringLiteral("xcb"));
    std::string problem;
    const std::unique_ptr<Helper> busDaemon = startSessionBus({QStringLiteral("--session")}, env, problem);
    ASSERT_TRUE(busDaemon) << problem;
    QDBusConnection bus = QDBusConnection::connectToBus(
        env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")), QStringLiteral("late-watcher"));
    ASSERT_TRUE(bus.isConnected());
    ResidentProcess program(env, sandbox.scratchFile(QStringLiteral("ready")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kBoundMs)) << program.output().toStdString();

    Watcher watcher;
    ASSERT_TRUE(serveWatcher(bus, watcher));
    EXPECT_TRUE(waitFor([&] { return !watcher.items().isEmpty() || !program.isRunning(); }))
        << program.output().toStdString();
    EXPECT_FALSE(watcher.items().isEmpty()) << "the icon never reached the panel that came later";
}

} // namespace
} // namespace kvx::test
