#include "platform/DesktopAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

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

// A program name that needs no quotes on an Exec line.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
            || c == u'_' || c == u'.';
    });
}

// How this process was started.
QString runningExecProgram()
{
    const QString program = QCoreApplication::applicationFilePath();
    const QString argument0 = QCoreApplication::arguments().value(0);
    const QString found = argument0.contains(u'/')
        ? QString()
        : DesktopAutostart::findOnPath(argument0, qEnvironmentVariable("PATH"));
    return DesktopAutostart::execProgram(program, argument0, found);
}

} // namespace

DesktopAutostart::DesktopAutostart()
    : DesktopAutostart(defaultDirectory(), QCoreApplication::applicationFilePath(), runningExecProgram())
{
}

DesktopAutostart::DesktopAutostart(
    const QString& directory, const QString& programPath, const QString& execProgram)
    : m_entryPath(QDir(directory).filePath(QStringLiteral("Kalvendorix.desktop")))
    , m_programPath(programPath)
    , m_execProgram(execProgram.isEmpty() ? programPath : execProgram)
{
}

QString DesktopAutostart::execProgram(
    const QString& programPath, const QString& argument0, const QString& foundOnPath)
{
    const bool fromPath = !argument0.isEmpty() && !argument0.contains(u'/') && !foundOnPath.isEmpty()
        && foundOnPath == programPath;
    return fromPath ? argument0 : programPath;
}

QString DesktopAutostart::findOnPath(const QString& name, const QString& pathVariable)
{
    if (name.isEmpty() || name.contains(u'/')) {
        return {};
    }
    for (const QString& folder : pathVariable.split(u':', Qt::SkipEmptyParts)) {
        const QFileInfo candidate(QDir(folder).filePath(name));
        if (candidate.isFile() && candidate.isExecutable()) {
            return candidate.canonicalFilePath();
        }
    }
    return {};
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
    if (isRegistered()) {
        return true;
    }
    if (!QDir().mkpath(QFileInfo(m_entryPath).absolutePath())) {
        return false;
    }
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(entryText(m_programPath, m_execProgram).toUtf8());
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
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
    }
    quoted += u'"';
    // Field codes start with '%'; a literal one is doubled.
    quoted.replace(u'%', QStringLiteral("%%"));
    return quoted;
}

QString DesktopAutostart::entryText(const QString& programPath, const QString& execProgram)
{
    const QString directory = QFileInfo(programPath).absolutePath();
    const QString exec = execProgram.isEmpty() ? programPath : execProgram;
    const QString command = isPlainName(exec) ? exec : quotedExecArgument(exec);
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=Kalvendorix\n"
                          "Exec=%1\n"
                          "Path=%2\n"
                          "Icon=kalvendorix\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(escapedValue(command), escapedValue(directory));
}

} // namespace kvx
