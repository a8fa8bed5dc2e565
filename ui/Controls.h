#pragma once

#include <QString>
#include <QWidget>

namespace kvx {

// Gives a control its object name (the name tests and readers use) and its
// Japanese accessible name (what screen readers and UI automation announce).
template <class Widget> Widget* named(Widget* control, const char* objectName, const QString& accessibleName)
{
    control->setObjectName(QLatin1String(objectName));
    control->setAccessibleName(accessibleName);
    return control;
}

} // namespace kvx
