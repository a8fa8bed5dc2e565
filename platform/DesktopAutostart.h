#pragma once

#include "platform/DesktopServices.h"

namespace kvx {

// The freedesktop autostart entry "Kalvendorix.desktop" in the user's autostart
// directory ($XDG_CONFIG_HOME/autostart), starting this very program file: by
// its name when it was started from PATH, else by its absolute path.
class DesktopAutostart final : public Autostart {
public:
    DesktopAutostart();
    // `execProgram` is what the Exec line starts, `programPath` by default.
    DesktopAutostart(const QString& directory, const QString& programPath, const QString& execProgram = {});

    bool isRegistered() override;
    bool registerEntry() override;
    bool removeEntry() override;

    QString entryPath() const { return m_entryPath; }
    static QString defaultDirectory();
    // The entry starting `execProgram` in the folder of the program file `programPath`.
    static QString entryText(const QString& programPath, const QString& execProgram = {});
    // What the entry starts: the bare name `argument0` when it has no slash and
    // PATH finds it as this program file (`foundOnPath`, from findOnPath), else
    // the program file itself. Both paths are canonical.
    static QString execProgram(
        const QString& programPath, const QString& argument0, const QString& foundOnPath);
    // The canonical path of the first executable file `name` in the folders of
    // `pathVariable` (colon-separated, as in PATH), or empty.
    static QString findOnPath(const QString& name, const QString& pathVariable);
    // One argument of an Exec line, quoted and escaped as desktop entries want it.
    static QString quotedExecArgument(const QString& argument);

private:
    QString m_entryPath;
    QString m_programPath;
    QString m_execProgram;
};

} // namespace kvx
