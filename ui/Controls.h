#pragma once

#include <QString>
#include <QWidget>

namespace kvx {

// Gives a control its object name (the name tests and readers use) and its
// Japanese accessible name (what screen readers and UI automation announce).
// The parts a compound control gives the keyboard focus to (a spin box's
// line edit, a calendar's grid) are read by its name too.
template <class Widget> Widget* named(Widget* control, const char* objectName, const QString& accessibleName)
{
    control->setObjectName(QLatin1String(objectName));
    control->setAccessibleName(accessibleName);
    for (const char* part : {"qt_spinbox_lineedit", "qt_calendar_calendarview"}) {
        if (auto* inner = control->template findChild<QWidget*>(QLatin1String(part))) {
            inner->setAccessibleName(accessibleName);
        }
    }
    return control;
}

} // namespace kvx
