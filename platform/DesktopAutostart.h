#pragma once

#include "platform/DesktopServices.h"

namespace kvx {

// The freedesktop autostart entry "Kalvendorix.desktop" in the user's autostart
// directory ($XDG_CONFIG_HOME/autostart), starting this very program file.
class DesktopAutostart final : public Autostart {
public:
    DesktopAutostart();
    DesktopAutostart(const QString& directory, const QString& programPath);

    bool isRegistered() override;
    bool registerEntry() override;
    bool removeEntry() override;

    QString entryPath() const { return m_entryPath; }
    static QString defaultDirectory();
    static QString entryText(const QString& programPath);
    // One argument of an Exec line, quoted and escaped as desktop entries want it.
    static QString quotedExecArgument(const QString& argument);

private:
    QString m_entryPath;
    QString m_programPath;
};

} // namespace kvx
