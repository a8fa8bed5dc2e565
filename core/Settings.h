#pragma once

#include "core/FileProblem.h"
#include "core/ProfileFile.h"
#include "core/Records.h"

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kvx {

inline constexpr const char* kSettingsSection = "Kalvendorix";
inline constexpr const char* kSettingsFileName = "Kalvendorix.ini";
inline constexpr const char* kDataFileName = "Kalvendorix.dat";
inline constexpr const char* kLogFileName = "KalvendorixLog.txt";

// The program's own directory: $XDG_DATA_HOME/Kalvendorix/, by default
// $HOME/.local/share/Kalvendorix/, created readable by its owner only when
// missing. Ends in "/".
std::string resolveProgramDirectory();

// Whether `utf8Path` comes back unchanged from code page 932, the encoding of
// the settings files. A data path that does not is never written there: it
// would come back as another path.
bool dataPathSurvivesCp932(const std::string& utf8Path);

// Everything up to and including the last "/"; "" when there is none.
std::string directoryOf(const std::string& path);

// Where the file dialogs open for `path`: its directory, or the program
// directory when `path` is blank or has no directory.
std::string initialDialogDirectory(const std::string& programDirectory, const std::string& path);

// The two settings files: the main one in the program directory, which holds
// the data path, and the data-side one next to the data file, from which every
// other setting is read. Each save writes the main file first, then the
// data-side one; when the data file lies in the program directory they are the
// same file and each key is written once.
//
// "DATAPATH" is stored empty for the default data file in the program
// directory, and read as that file when it is empty; it and "SOUNDFILE" are
// read whole, every other key cut to 255 bytes. A settings file is parsed once
// and read from memory until it changes on disk.
class Settings {
public:
    explicit Settings(std::string programDirectory);

    const std::string& programDirectory() const { return m_programDirectory; }
    std::string mainFile() const;
    std::string defaultDataPath() const;
    // "DATAPATH" from the main file; the default data path when absent or empty.
    std::string readDataPath() const;

    // The data path in force; the data-side file and the log follow it.
    const std::string& dataPath() const { return m_dataPath; }
    void setDataPath(std::string path) { m_dataPath = std::move(path); }
    std::string dataSideFile() const;
    std::string logFile() const;

    // One key of the data-side file; at most 255 bytes of code page 932 text
    // (a path as long as the system allows for "DATAPATH" and "SOUNDFILE").
    std::string readSetting(const std::string& key, const std::string& fallback) const;
    // The key's value, nothing when the file does not hold the key.
    std::optional<std::string> storedSetting(const std::string& key) const;
    // A decimal integer key; `fallback` when absent or not a number.
    int readInt(const std::string& key, int fallback) const;

    // Adopts "DATAPATH" of the main file, then reads the data-side file.
    // The data path in force ends as the data-side file's "DATAPATH". Then
    // removes what killed saves left in the folders of the settings and the
    // data file.
    void loadAll(AlarmDefaults& defaults, WindowSettings& window);
    // "PREFLAG" .. "PASSFLAG"; `lastSavedIndex` is left alone.
    void readAlarmDefaults(AlarmDefaults& defaults) const;
    // "FORMFLAG", "DEFFORM", "NOTIFYFLG", "WAKEUPFLG", "PORTNUM", "COPYACTION", "SNOOZETIME", "DATAPATH",
    // "ICALDIR".
    void readWindowSettings(WindowSettings& window) const;

    // "PREFLAG" .. "PASSFLAG" in that order; nothing at all (and true) while
    // no alarm has been saved since start.
    bool writeAlarmDefaults(const std::string& file, const AlarmDefaults& defaults) const;
    bool writeWindowSettings(const std::string& file, const WindowSettings& window) const;
    bool writeRunningFlag(const std::string& file, bool running) const;
    // A "DATAPATH" that code page 932 cannot hold is not written (false).
    bool writeSetting(const std::string& file, const std::string& key, const std::string& value) const;

    // The settings half of a save, after the data file has been written: the
    // alarm defaults into the main file and then the data-side file, then the
    // window settings likewise, each file written once. The data path in
    // force must already be the one being saved. True when every write
    // succeeded; else lastProblem() says what failed.
    bool saveSettings(const AlarmDefaults& defaults, const WindowSettings& window) const;
    // "STARTFLG" into the main file, then the data-side file.
    bool writeRunningFlagToBoth(bool running) const;
    // One key into the main file, then the data-side file ("STARTMD",
    // "MIDINM", "WAVENM", "DATAPATH").
    bool writeSettingToBoth(const std::string& key, const std::string& value) const;

    // The last write that failed; Kind::None while every write succeeded.
    const FileProblem& lastProblem() const { return m_problem; }

    // "DATAPATH" as it is stored for `dataPath`: empty for the default data
    // file, nothing when code page 932 cannot hold it.
    std::optional<std::string> storedDataPath(const std::string& dataPath) const;

private:
    struct CachedText {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec modified{};
        ProfileText text;
    };

    // The parsed settings file at `file`, parsed again only when it changed.
    const ProfileText& textOf(const std::string& file) const;
    std::vector<ProfileFile::Entry> alarmDefaultsEntries(const AlarmDefaults& defaults) const;
    std::vector<ProfileFile::Entry> windowEntries(const WindowSettings& window) const;
    bool writeEntries(const std::string& file, const std::vector<ProfileFile::Entry>& entries) const;
    void removeStaleTemporaryFiles() const;

    std::string m_programDirectory;
    std::string m_dataPath;
    mutable std::map<std::string, CachedText> m_texts;
    mutable FileProblem m_problem;
};

// The sound devices are asked for while a name was never stored, or was stored
// empty (nothing to choose from) and its list now offers a device.
bool asksForSoundDevices(const std::optional<std::string>& midiName,
    const std::optional<std::string>& waveName, bool midiOffered, bool waveOffered);

} // namespace kvx
