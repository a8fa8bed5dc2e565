#include "doubles/FakeTrayIcon.h"

#include "platform/QtTrayIcon.h"

namespace kvx {

void FakeTrayIcon::add(Image image, const QString& toolTip)
{
    ++m_adds;
    m_visible = true;
    m_image = image;
    m_toolTip = toolTip;
}

void FakeTrayIcon::modify(Image image, const QString& toolTip)
{
    ++m_modifies;
    m_image = image;
    m_toolTip = toolTip;
}

void FakeTrayIcon::setToolTip(const QString& toolTip)
{
    ++m_toolTips;
    m_toolTip = toolTip;
}

void FakeTrayIcon::remove()
{
    ++m_removes;
    m_visible = false;
}

void FakeTrayIcon::trigger(Action action)
{
    emit actionTriggered(action);
}

QString FakeTrayIcon::shownToolTip() const
{
    return QtTrayIcon::cutToolTip(m_toolTip);
}

} // namespace kvx
