#include "store/CalendarFolderLink.h"

#include "core/WholeFile.h"
#include "ical/ICalendar.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace kvx {

namespace {

constexpr std::size_t kMaxBaseBytes = 64u << 20;

} // namespace

std::string defaultStateFolder()
{
    // A relative XDG_STATE_HOME is invalid and ignored, as the base directory rules say.
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/Kalvendorix";
    }
    const char* home = std::getenv("HOME");
    std::string base = home != nullptr && home[0] == '/' ? home : "";
    if (base.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            base = entry->pw_dir;
        }
    }
    return base + "/.local/state/Kalvendorix";
}

CalendarFolderLink::CalendarFolderLink(FileSink& sink)
    : m_sink(sink)
    , m_stateFolder(defaultStateFolder())
    , m_blank([] { return AlarmRecord{}; })
{
}

std::optional<FolderSync> CalendarFolderLink::merge(const std::string& folder, const std::string& dataPath,
    const AlarmTable& alarms, const std::vector<std::string>& ids)
{
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::string basePath = folderBasePath(m_stateFolder, folder, dataPath);
    if (basePath != m_basePath) {
        m_folder = folder;
        m_basePath = basePath;
        m_base = {};
        m_base.folder = folder;
        std::string bytes;
        if (readWholeFile(basePath, bytes, kMaxBaseBytes) == ReadStatus::Read) {
            if (std::optional<FolderBase> base = decodeFolderBase(bytes, folder)) {
                m_base = std::move(*base);
                m_written = std::move(bytes);
            }
        }
    }
    const FolderBase base = syncBase(alarms, m_base);
    const FolderScan scan = scanCalendarFolder(folder, base, systemZoneName(), m_blank());
    if (!scan.error.empty()) {
        tell("folder " + scan.error, "カレンダーフォルダーを使えません：" + folder + "\n" + scan.error);
        return std::nullopt;
    }
    for (const auto& [key, text] : scan.problems) {
        tell(key, text);
    }
    return mergeCalendarFolder(alarms, ids, base, scan);
}

void CalendarFolderLink::notTaken(FolderSync& sync, const std::set<std::string>& uids)
{
    for (FolderEntry& entry : sync.base.entries) {
        if (uids.contains(entry.uid)) {
            entry.inStep.clear();
        }
    }
    std::erase_if(sync.writes, [&uids](const FolderSync::Write& w) { return uids.contains(w.uid); });
}

void CalendarFolderLink::write(FolderSync& sync)
{
    for (const std::string& failure : writeCalendarFolder(m_sink, m_folder, sync, systemZoneName())) {
        tell("write " + failure, failure);
    }
    m_base = std::move(sync.base);
    const std::string bytes = encodeFolderBase(m_base);
    if (bytes == m_written) {
        return;
    }
    std::string reason;
    if (!createPrivateFolders(m_stateFolder) || !replaceFileSafely(m_sink, m_basePath, bytes, &reason)) {
        tell("base", "カレンダーフォルダーの記録を保存できません：" + m_basePath + "\n" + reason);
        return;
    }
    m_written = bytes;
}

void CalendarFolderLink::tell(const std::string& key, const std::string& text)
{
    if (m_told.insert(key).second) {
        m_news.push_back(text);
    }
}

std::vector<std::string> CalendarFolderLink::takeNews()
{
    return std::exchange(m_news, {});
}

} // namespace kvx
