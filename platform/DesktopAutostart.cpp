#include "platform/DesktopAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kvx {

namespace {

// The escapes of a string value in a desktop entry.
QString escapedValue(const QString& value)
{
    QString text;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            text += QStringLiteral("\\\\");
            break;
        case '\n':
            text += QStringLiteral("\\n");
            break;
        case '\t':
            text += QStringLiteral("\\t");
            break;
        case '\r':
            text += QStringLiteral("\\r");
            break;
        default:
            text += c;
        }
    }
    return text;
}

} // namespace

DesktopAutostart::DesktopAutostart()
    : DesktopAutostart(defaultDirectory(), QCoreApplication::applicationFilePath())
{
}

DesktopAutostart::DesktopAutostart(const QString& directory, const QString& programPath)
    : m_entryPath(QDir(directory).filePath(QStringLiteral("Kalvendorix.desktop")))
    , m_programPath(programPath)
{
}

QString DesktopAutostart::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart");
}

bool DesktopAutostart::isRegistered()
{
    return QFileInfo(m_entryPath).isFile();
}

// An existing entry counts as registered and is never rewritten.
bool DesktopAutostart::registerEntry()
{
    if (isRegistered())
        return true;
    if (!QDir().mkpath(QFileInfo(m_entryPath).absolutePath()))
        return false;
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entryText(m_programPath).toUtf8());
    return file.commit();
}

bool DesktopAutostart::removeEntry()
{
    return isRegistered() && QFile::remove(m_entryPath);
}

QString DesktopAutostart::quotedExecArgument(const QString& argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    // Field codes start with '%'; a literal one is doubled.
    quoted.replace(u'%', QStringLiteral("%%"));
    return quoted;
}

QString DesktopAutostart::entryText(const QString& programPath)
{
    const QString directory = QFileInfo(programPath).absolutePath();
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=Kalvendorix\n"
                          "Exec=%1\n"
                          "Path=%2\n"
                          "Icon=kalvendorix\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(escapedValue(quotedExecArgument(programPath)), escapedValue(directory));
}

} // namespace kvx
