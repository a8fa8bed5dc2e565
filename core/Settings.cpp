#include "core/Settings.h"

#include "core/Cp932.h"
#include "core/ProfileFile.h"
#include "core/WholeFile.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace kvx {

namespace {

enum class Format {
    Integer,
    Text,
    Message, // line breaks stored as "!*#"
    FontFlag, // "1"/"0" on disk, -1/0 in memory; anything but "0" is set
};

using Field = std::variant<std::int16_t AlarmDefaults::*, std::int32_t AlarmDefaults::*,
    std::string AlarmDefaults::*>;

struct DefaultsKey {
    const char* key;
    const char* fallback;
    Field field;
    Format format;
};

// In the order they are written.
const DefaultsKey kDefaultsKeys[] = {
    {"PREFLAG", "0", &AlarmDefaults::preMode, Format::Integer},
    {"PRETIME", "0", &AlarmDefaults::preMinutes, Format::Integer},
    {"MESSAGE", "", &AlarmDefaults::message, Format::Message},
    {"BLINKFLAG", "0", &AlarmDefaults::blink, Format::Integer},
    {"SOUNDFLAG", "0", &AlarmDefaults::sound, Format::Integer},
    {"SOUNDFILE", "", &AlarmDefaults::soundFile, Format::Text},
    {"WEEKSTART", "0", &AlarmDefaults::weekStartsMonday, Format::Integer},
    {"ENDLESSFLG", "0", &AlarmDefaults::endless, Format::Integer},
    {"DELFORMFLG", "0", &AlarmDefaults::keepWindow, Format::Integer},
    {"BLINKCNT", "10", &AlarmDefaults::blinkCount, Format::Integer},
    {"FORECOLOR", "0", &AlarmDefaults::textColor, Format::Integer},
    {"BACKCOLOR", "-2147483633", &AlarmDefaults::backColor, Format::Integer},
    {"FONTNAME", kDefaultFontName, &AlarmDefaults::fontName, Format::Text},
    {"FONTSIZE", "12", &AlarmDefaults::fontSize, Format::Integer},
    {"FONTBOLD", "1", &AlarmDefaults::fontBold, Format::FontFlag},
    {"FONTITALIC", "0", &AlarmDefaults::fontItalic, Format::FontFlag},
    {"FONTUNDERLINE", "0", &AlarmDefaults::fontUnderline, Format::FontFlag},
    {"FONTSTRIKETHRU", "0", &AlarmDefaults::fontStrikethru, Format::FontFlag},
    {"FORECOLORINDEX", "7", &AlarmDefaults::textColorIndex, Format::Integer},
    {"BACKCOLORINDEX", "5", &AlarmDefaults::backColorIndex, Format::Integer},
    {"WEEKLYTIMING", "2", &AlarmDefaults::weeklyKind, Format::Integer},
    {"LISTDISPFLG", "1", &AlarmDefaults::listMode, Format::Integer},
    {"MIDINM", "", &AlarmDefaults::midiDevice, Format::Text},
    {"WAVENM", "", &AlarmDefaults::waveDevice, Format::Text},
    {"PASSFLAG", "1", &AlarmDefaults::warnPastTime, Format::Integer},
};

constexpr const char* kLineBreakMark = "!*#";
constexpr const char* kDataPathKey = "DATAPATH";

// Paths are read whole, never cut: a data path cut short would name another
// file, in a folder the user never chose. One too long for the system fails
// wherever it is used. Every other key is read as the 256-byte buffer holds it.
std::size_t readLimitOf(std::string_view key)
{
    return key == kDataPathKey || key == "SOUNDFILE" || key == "ICALDIR" ? ProfileFile::kMaxFileBytes
                                                                         : ProfileFile::kMaxValueBytes;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

// A line break of any style is stored as the mark; it reads back as CR LF.
std::string encodeMessage(const std::string& message)
{
    std::string text = replaceAll(message, "\r\n", kLineBreakMark);
    text = replaceAll(std::move(text), "\n", kLineBreakMark);
    return replaceAll(std::move(text), "\r", kLineBreakMark);
}

std::string decodeMessage(const std::string& stored)
{
    return replaceAll(stored, kLineBreakMark, "\r\n");
}

// Decimal text with optional sign and surrounding spaces, within T's range.
template <typename T> std::optional<T> parseInteger(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

template <typename T> T integerOr(const std::string& text, const char* fallback)
{
    return parseInteger<T>(text).value_or(parseInteger<T>(fallback).value_or(T{}));
}

void assignField(AlarmDefaults& defaults, const DefaultsKey& entry, const std::string& text)
{
    if (const auto* field = std::get_if<std::string AlarmDefaults::*>(&entry.field)) {
        defaults.*(*field) = entry.format == Format::Message ? decodeMessage(text) : text;
    } else if (const auto* field32 = std::get_if<std::int32_t AlarmDefaults::*>(&entry.field)) {
        defaults.*(*field32) = integerOr<std::int32_t>(text, entry.fallback);
    } else {
        auto field16 = std::get<std::int16_t AlarmDefaults::*>(entry.field);
        if (entry.format == Format::FontFlag) {
            defaults.*field16 = text == "0" ? 0 : -1;
        } else {
            defaults.*field16 = integerOr<std::int16_t>(text, entry.fallback);
        }
    }
}

std::string fieldText(const AlarmDefaults& defaults, const DefaultsKey& entry)
{
    if (const auto* field = std::get_if<std::string AlarmDefaults::*>(&entry.field)) {
        return entry.format == Format::Message ? encodeMessage(defaults.*(*field)) : defaults.*(*field);
    }
    if (const auto* field32 = std::get_if<std::int32_t AlarmDefaults::*>(&entry.field)) {
        return std::to_string(defaults.*(*field32));
    }
    const std::int16_t value = defaults.*std::get<std::int16_t AlarmDefaults::*>(entry.field);
    if (entry.format == Format::FontFlag) {
        return value != 0 ? "1" : "0";
    }
    return std::to_string(value);
}

std::string homeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

std::string withTrailingSlash(std::string directory)
{
    if (!directory.empty() && directory.back() != '/') {
        directory += '/';
    }
    return directory;
}

} // namespace

std::string resolveProgramDirectory()
{
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory
    // rules say.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const std::string base
        = xdg != nullptr && xdg[0] == '/' ? std::string(xdg) : homeDirectory() + "/.local/share";
    std::string directory = withTrailingSlash(base) + "Kalvendorix/";
    createPrivateFolders(directory);
    return directory;
}

bool dataPathSurvivesCp932(const std::string& utf8Path)
{
    return survivesCp932(utf8Path);
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string initialDialogDirectory(const std::string& programDirectory, const std::string& path)
{
    const bool blank = path.find_first_not_of(" \t") == std::string::npos;
    const std::string directory = blank ? std::string() : directoryOf(path);
    return directory.empty() ? programDirectory : directory;
}

Settings::Settings(std::string programDirectory)
    : m_programDirectory(withTrailingSlash(std::move(programDirectory)))
    , m_dataPath(defaultDataPath())
{
}

std::string Settings::mainFile() const
{
    return m_programDirectory + kSettingsFileName;
}

std::string Settings::defaultDataPath() const
{
    return m_programDirectory + kDataFileName;
}

std::string Settings::readDataPath() const
{
    const std::optional<std::string> stored
        = textOf(mainFile()).read(kSettingsSection, kDataPathKey, readLimitOf(kDataPathKey));
    const bool blank = !stored || stored->find_first_not_of(" \t") == std::string::npos;
    return blank ? defaultDataPath() : *stored;
}

std::string Settings::dataSideFile() const
{
    return directoryOf(m_dataPath) + kSettingsFileName;
}

std::string Settings::logFile() const
{
    return directoryOf(m_dataPath) + kLogFileName;
}

std::string Settings::readSetting(const std::string& key, const std::string& fallback) const
{
    return storedSetting(key).value_or(fallback);
}

std::optional<std::string> Settings::storedSetting(const std::string& key) const
{
    return textOf(dataSideFile()).read(kSettingsSection, key, readLimitOf(key));
}

int Settings::readInt(const std::string& key, int fallback) const
{
    return parseInteger<int>(readSetting(key, "")).value_or(fallback);
}

void Settings::loadAll(AlarmDefaults& defaults, WindowSettings& window)
{
    m_dataPath = readDataPath();
    readWindowSettings(window);
    readAlarmDefaults(defaults);
    m_dataPath = window.dataPath;

    removeStaleTemporaryFiles();
}

void Settings::readAlarmDefaults(AlarmDefaults& defaults) const
{
    const ProfileText& file = textOf(dataSideFile());
    for (const DefaultsKey& entry : kDefaultsKeys) {
        assignField(defaults, entry,
            file.read(kSettingsSection, entry.key, readLimitOf(entry.key)).value_or(entry.fallback));
    }
}

void Settings::readWindowSettings(WindowSettings& window) const
{
    const ProfileText& file = textOf(dataSideFile());
    auto read = [&file](const char* key, const char* fallback) {
        return file.read(kSettingsSection, key, readLimitOf(key)).value_or(fallback);
    };
    window.formPosition = read("FORMFLAG", "");
    window.editorFirst = integerOr<std::int16_t>(read("DEFFORM", "0"), "0");
    window.desktopNotify = integerOr<std::int16_t>(read("NOTIFYFLG", "1"), "1");
    window.wakeUp = integerOr<std::int16_t>(read("WAKEUPFLG", "0"), "0");
    window.portNumber = read("PORTNUM", "");
    window.copyAction = integerOr<std::int16_t>(read("COPYACTION", "1"), "1");
    window.snoozeMinutes = integerOr<std::int16_t>(read("SNOOZETIME", "5"), "5");
    window.calendarFolder = read("ICALDIR", "");
    // Without its own entry the data-side file keeps the data path that led
    // to it; an empty one names the default data file.
    const std::optional<std::string> dataPath
        = file.read(kSettingsSection, kDataPathKey, readLimitOf(kDataPathKey));
    if (!dataPath) {
        window.dataPath = m_dataPath;
    } else if (dataPath->find_first_not_of(" \t") == std::string::npos) {
        window.dataPath = defaultDataPath();
    } else {
        window.dataPath = *dataPath;
    }
}

std::optional<std::string> Settings::storedDataPath(const std::string& dataPath) const
{
    if (dataPath == defaultDataPath()) {
        return std::string();
    }
    if (!dataPathSurvivesCp932(dataPath)) {
        return std::nullopt;
    }
    return dataPath;
}

std::vector<ProfileFile::Entry> Settings::alarmDefaultsEntries(const AlarmDefaults& defaults) const
{
    std::vector<ProfileFile::Entry> entries;
    if (defaults.lastSavedIndex == -1) {
        return entries;
    }
    for (const DefaultsKey& entry : kDefaultsKeys) {
        entries.emplace_back(entry.key, fieldText(defaults, entry));
    }
    return entries;
}

std::vector<ProfileFile::Entry> Settings::windowEntries(const WindowSettings& window) const
{
    std::vector<ProfileFile::Entry> entries = {
        {"FORMFLAG", window.formPosition},
        {"DEFFORM", window.editorFirst != 0 ? "1" : "0"},
        {"NOTIFYFLG", window.desktopNotify != 0 ? "1" : "0"},
        {"WAKEUPFLG", window.wakeUp != 0 ? "1" : "0"},
        {"PORTNUM", window.portNumber},
        {"COPYACTION", std::to_string(window.copyAction)},
        {"SNOOZETIME", std::to_string(window.snoozeMinutes)},
    };
    // A path that would come back changed keeps the one stored before.
    if (const std::optional<std::string> dataPath = storedDataPath(window.dataPath)) {
        entries.emplace_back(kDataPathKey, *dataPath);
    }
    // Written once set: the files of those who never set it stay as they were.
    if (dataPathSurvivesCp932(window.calendarFolder)
        && (!window.calendarFolder.empty() || storedSetting("ICALDIR").has_value())) {
        entries.emplace_back("ICALDIR", window.calendarFolder);
    }
    return entries;
}

bool Settings::writeEntries(const std::string& file, const std::vector<ProfileFile::Entry>& entries) const
{
    if (entries.empty()) {
        return true;
    }
    m_texts.erase(file);
    std::string reason;
    if (!ProfileFile(file).write(kSettingsSection, entries, &reason)) {
        m_problem = {FileProblem::Kind::SaveFailed, file, reason};
        return false;
    }
    return true;
}

bool Settings::writeAlarmDefaults(const std::string& file, const AlarmDefaults& defaults) const
{
    return writeEntries(file, alarmDefaultsEntries(defaults));
}

bool Settings::writeWindowSettings(const std::string& file, const WindowSettings& window) const
{
    return writeEntries(file, windowEntries(window));
}

bool Settings::writeRunningFlag(const std::string& file, bool running) const
{
    return writeSetting(file, "STARTFLG", running ? "1" : "0");
}

bool Settings::writeSetting(const std::string& file, const std::string& key, const std::string& value) const
{
    if (key == kDataPathKey) {
        const std::optional<std::string> stored = storedDataPath(value);
        return stored && writeEntries(file, {{key, *stored}});
    }
    return writeEntries(file, {{key, value}});
}

bool Settings::saveSettings(const AlarmDefaults& defaults, const WindowSettings& window) const
{
    m_problem = {};
    std::vector<ProfileFile::Entry> entries = alarmDefaultsEntries(defaults);
    const std::vector<ProfileFile::Entry> windowKeys = windowEntries(window);
    entries.insert(entries.end(), windowKeys.begin(), windowKeys.end());
    const bool ok = writeEntries(mainFile(), entries);
    if (dataSideFile() == mainFile()) {
        return ok;
    }
    return writeEntries(dataSideFile(), entries) && ok;
}

bool Settings::writeRunningFlagToBoth(bool running) const
{
    return writeSettingToBoth("STARTFLG", running ? "1" : "0");
}

bool Settings::writeSettingToBoth(const std::string& key, const std::string& value) const
{
    m_problem = {};
    const bool ok = writeSetting(mainFile(), key, value);
    if (dataSideFile() == mainFile()) {
        return ok;
    }
    return writeSetting(dataSideFile(), key, value) && ok;
}

const ProfileText& Settings::textOf(const std::string& file) const
{
    struct stat status { };
    const bool present = ::stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode);
    CachedText& cached = m_texts[file];
    const bool unchanged = present && cached.size == status.st_size && cached.device == status.st_dev
        && cached.inode == status.st_ino && cached.modified.tv_sec == status.st_mtim.tv_sec
        && cached.modified.tv_nsec == status.st_mtim.tv_nsec;
    if (!unchanged) {
        cached = CachedText{};
        if (present) {
            cached = {status.st_dev, status.st_ino, status.st_size, status.st_mtim, ProfileFile(file).text()};
        }
    }
    return cached.text;
}

// Where a save of the settings or of the data file (beside the file a link
// there points to) would leave its temporary file.
void Settings::removeStaleTemporaryFiles() const
{
    removeStaleTempFiles(m_programDirectory);
    removeStaleTempFiles(directoryOf(m_dataPath));
    if (const std::optional<std::string> file = fileBehind(m_dataPath)) {
        removeStaleTempFiles(directoryOf(*file));
    }
}

bool asksForSoundDevices(const std::optional<std::string>& midiName,
    const std::optional<std::string>& waveName, bool midiOffered, bool waveOffered)
{
    const auto wanted = [](const std::optional<std::string>& name, bool offered) {
        return !name || (name->empty() && offered);
    };
    return wanted(midiName, midiOffered) || wanted(waveName, waveOffered);
}

} // namespace kvx
