#pragma once

#include "platform/TrayIcon.h"

namespace kvx {

// Test double of the notification-area icon: records what the program shows
// and lets a test deliver the icon actions.
class FakeTrayIcon final : public TrayIcon {
public:
    void add(Image image, const QString& toolTip) override;
    void modify(Image image, const QString& toolTip) override;
    void setToolTip(const QString& toolTip) override;
    void remove() override;
    void setMenu(QMenu* menu) override { m_menu = menu; }
    bool available() const override { return m_available; }
    // A desktop without a notification area.
    void setAvailable(bool available) { m_available = available; }

    // Delivers an action as the desktop's tray would.
    void trigger(Action action);

    bool isVisible() const { return m_visible; }
    Image image() const { return m_image; }
    // The tip as handed over, and as the tray shows it (cut to its 63 bytes).
    const QString& toolTip() const { return m_toolTip; }
    QString shownToolTip() const;
    QMenu* menu() const { return m_menu; }
    int addCount() const { return m_adds; }
    int modifyCount() const { return m_modifies; }
    int toolTipCount() const { return m_toolTips; }
    int removeCount() const { return m_removes; }

private:
    bool m_available = true;
    bool m_visible = false;
    Image m_image = Image::Application;
    QString m_toolTip;
    QMenu* m_menu = nullptr;
    int m_adds = 0;
    int m_modifies = 0;
    int m_toolTips = 0;
    int m_removes = 0;
};

} // namespace kvx
