#include "resident/TrayMenu.h"

#include <QAction>
#include <QMenu>

namespace kvx {

TrayMenu::TrayMenu(Autostart& autostart, QObject* parent)
    : QObject(parent)
    , m_autostart(autostart)
    , m_menu(std::make_unique<QMenu>())
{
    m_menu->setObjectName(QStringLiteral("IconMenu"));
    auto add = [this](QMenu* menu, const char* name, const QString& caption, void (TrayMenu::*chosen)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, chosen);
        return action;
    };
    QAction* next = m_menu->addAction(QStringLiteral("Kalvendorix"));
    next->setObjectName(QStringLiteral("mnext"));
    next->setEnabled(false);
    m_menu->addSeparator();
    add(m_menu.get(), "medit", QStringLiteral("編集"), &TrayMenu::openChosen);
    QMenu* startup = m_menu->addMenu(QStringLiteral("スタートアップ"));
    startup->setObjectName(QStringLiteral("mstart"));
    startup->menuAction()->setObjectName(QStringLiteral("mstart"));
    add(startup, "mstartin", QStringLiteral("登録"), &TrayMenu::registerChosen)->setCheckable(true);
    add(startup, "mstartout", QStringLiteral("削除"), &TrayMenu::removeChosen)->setCheckable(true);
    m_menu->addSeparator();
    add(m_menu.get(), "mstop", QStringLiteral("一時停止"), &TrayMenu::pauseChosen)->setCheckable(true);
    m_menu->addSeparator();
    add(m_menu.get(), "mlog", QStringLiteral("ログ表示"), &TrayMenu::logChosen);
    m_menu->addSeparator();
    add(m_menu.get(), "mver", QStringLiteral("バージョン情報"), &TrayMenu::aboutChosen);
    m_menu->addSeparator();
    add(m_menu.get(), "mend", QStringLiteral("終了"), &TrayMenu::exitChosen);
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this, next] {
        setStartupChecks(m_autostart.isRegistered());
        if (m_nextAlarmText) {
            next->setText(m_nextAlarmText());
        }
    });
}

TrayMenu::~TrayMenu() = default;

QAction* TrayMenu::action(const QString& objectName) const
{
    return m_menu->findChild<QAction*>(objectName, Qt::FindChildrenRecursively);
}

void TrayMenu::setStartupChecks(bool registered)
{
    action(QStringLiteral("mstartin"))->setChecked(registered);
    action(QStringLiteral("mstartout"))->setChecked(!registered);
}

void TrayMenu::setPaused(bool paused)
{
    action(QStringLiteral("mstop"))->setChecked(paused);
}

} // namespace kvx
