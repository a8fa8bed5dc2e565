#pragma once

#include "core/Records.h"

#include <string>

namespace kvx {

inline constexpr const char* kSettingsSection = "Kalvendorix";
inline constexpr const char* kSettingsFileName = "Kalvendorix.ini";
inline constexpr const char* kDataFileName = "Kalvendorix.dat";
inline constexpr const char* kLogFileName = "KalvendorixLog.txt";

// The program's own directory: $XDG_DATA_HOME/Kalvendorix/, by default
// $HOME/.local/share/Kalvendorix/, created when missing. Ends in "/".
std::string resolveProgramDirectory();

// Everything up to and including the last "/"; "" when there is none.
std::string directoryOf(const std::string& path);

// Where the file dialogs open for `path`: its directory, or the program
// directory when `path` is blank or has no directory.
std::string initialDialogDirectory(const std::string& programDirectory, const std::string& path);

// The two settings files: the main one in the program directory, which holds
// the data path, and the data-side one next to the data file, from which every
// other setting is read. Each save writes the main file first, then the
// data-side one; when the data file lies in the program directory they are the
// same file and each key is simply written twice.
class Settings {
public:
    explicit Settings(std::string programDirectory);

    const std::string& programDirectory() const { return m_programDirectory; }
    std::string mainFile() const;
    std::string defaultDataPath() const;
    // "DATAPATH" from the main file.
    std::string readDataPath() const;

    // The data path in force; the data-side file and the log follow it.
    const std::string& dataPath() const { return m_dataPath; }
    void setDataPath(std::string path) { m_dataPath = std::move(path); }
    std::string dataSideFile() const;
    std::string logFile() const;

    // One key of the data-side file; at most 255 bytes of code page 932 text.
    std::string readSetting(const std::string& key, const std::string& fallback) const;
    // A decimal integer key; `fallback` when absent or not a number.
    int readInt(const std::string& key, int fallback) const;

    // Adopts "DATAPATH" of the main file, then reads the data-side file.
    // The data path in force ends as the data-side file's "DATAPATH".
    void loadAll(AlarmDefaults& defaults, WindowSettings& window);
    // "PREFLAG" .. "PASSFLAG"; `lastSavedIndex` is left alone.
    void readAlarmDefaults(AlarmDefaults& defaults) const;
    // "FORMFLAG", "DEFFORM", "PORTNUM", "COPYACTION", "DATAPATH".
    void readWindowSettings(WindowSettings& window) const;

    // "PREFLAG" .. "PASSFLAG" in that order; nothing at all (and true) while
    // no alarm has been saved since start.
    bool writeAlarmDefaults(const std::string& file, const AlarmDefaults& defaults) const;
    bool writeWindowSettings(const std::string& file, const WindowSettings& window) const;
    bool writeRunningFlag(const std::string& file, bool running) const;
    bool writeSetting(const std::string& file, const std::string& key, const std::string& value) const;

    // The settings half of a save, after the data file has been written: the
    // alarm defaults into the main file and then the data-side file, then the
    // window settings likewise. The data path in force must already be the
    // one being saved. True when every write succeeded.
    bool saveSettings(const AlarmDefaults& defaults, const WindowSettings& window) const;
    // "STARTFLG" into the main file, then the data-side file.
    bool writeRunningFlagToBoth(bool running) const;
    // One key into the main file, then the data-side file ("STARTMD",
    // "MIDINM", "WAVENM", "DATAPATH").
    bool writeSettingToBoth(const std::string& key, const std::string& value) const;

private:
    std::string m_programDirectory;
    std::string m_dataPath;
};

} // namespace kvx
