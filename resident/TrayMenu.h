#pragma once

#include <QObject>

#ifndef Q_MOC_RUN
#include "platform/DesktopServices.h"
#endif

#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace kvx {

// The notification-area icon's menu: the next bell (disabled), 編集, スタートアップ (登録/削除),
// 一時停止, ログ表示, バージョン情報, 終了. Its items tell what was chosen;
// the check marks of the start-up entry follow the autostart entry whenever
// the menu is about to show, however the desktop shows it.
class TrayMenu : public QObject {
    Q_OBJECT

public:
    explicit TrayMenu(Autostart& autostart, QObject* parent = nullptr);
    ~TrayMenu() override;

    QMenu* menu() const { return m_menu.get(); }
    QAction* action(const QString& objectName) const;
    // Exactly one of 登録 and 削除 carries the check mark.
    void setStartupChecks(bool registered);
    void setPaused(bool paused);
    // The first item, disabled: the tooltip's text (GNOME's tray draws no
    // tooltip), asked for each time the menu is about to open.
    void setNextAlarmText(std::function<QString()> text) { m_nextAlarmText = std::move(text); }

signals:
    void openChosen();
    void registerChosen();
    void removeChosen();
    void pauseChosen();
    void logChosen();
    void aboutChosen();
    void exitChosen();

private:
    Autostart& m_autostart;
    std::unique_ptr<QMenu> m_menu;
    std::function<QString()> m_nextAlarmText;
};

} // namespace kvx
