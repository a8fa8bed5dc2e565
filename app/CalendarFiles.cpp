#include "app/CalendarFiles.h"

#include "core/AlarmIds.h"
#include "core/PosixFileSink.h"
#include "core/Settings.h"
#include "core/WholeFile.h"
#include "ical/CalendarFolder.h"
#include "ical/ICalendar.h"
#include "store/AlarmStore.h"

#include <malloc.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace {

// A calendar file of a full table takes hundreds of megabytes while it is
// read or written; the resident program gives them back to the system after.
struct GiveBackMemory {
    GiveBackMemory() = default;
    GiveBackMemory(const GiveBackMemory&) = delete;
    GiveBackMemory& operator=(const GiveBackMemory&) = delete;
    ~GiveBackMemory() { ::malloc_trim(0); }
};

std::string linesOf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

} // namespace

CommandAnswer exportCalendarFile(const AlarmStore& store, const std::string& path)
{
    const GiveBackMemory trim;
    const ICalendarExport calendar
        = exportICalendar(store.alarms(), store.alarmIds(), store.tables().routines, systemZoneName());
    const std::string skipped = linesOf(calendar.skipped);
    if (path == "-") {
        return {0, calendar.text, skipped};
    }
    // Readable by the user alone, as every file the program writes; a file
    // replaced keeps its own mode.
    PosixFileSink sink;
    std::string reason;
    if (!replaceFileSafely(sink, path, calendar.text, &reason)) {
        return {1, {}, "iCalendar形式で書き出せませんでした。\n" + path + "\n" + reason + "\n"};
    }
    std::string summary = std::to_string(calendar.alarms) + "件のアラームを書き出しました。";
    if (calendar.rota > 0) {
        summary += "周期予定 " + std::to_string(calendar.rota) + "件も書き出しました。";
    }
    if (!calendar.skipped.empty()) {
        summary += std::to_string(calendar.skipped.size()) + "件は書き出せませんでした。";
    }
    return {0, summary + "\n" + path + "\n", skipped};
}

CommandAnswer importCalendarFile(
    AlarmStore& store, const std::string& path, const AlarmRecord& blank, OleDate now)
{
    const GiveBackMemory trim;
    std::string bytes;
    std::string reason;
    const ReadStatus read = readWholeFile(path, bytes, kMaxICalendarBytes, &reason);
    if (read != ReadStatus::Read) {
        struct stat status { };
        if (read == ReadStatus::Missing) {
            reason = "ファイルがありません";
        } else if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
            reason = "フォルダーです";
        } else if (::stat(path.c_str(), &status) == 0
            && static_cast<std::size_t>(status.st_size) > kMaxICalendarBytes) {
            reason = "ファイルが大きすぎます（" + std::to_string(kMaxICalendarBytes >> 20) + "MBまで）";
        }
        return {1, {}, "iCalendarを読み込めませんでした。\n" + path + "\n" + reason + "\n"};
    }
    const ICalendarImport calendar = importICalendar(bytes, systemZoneName(), blank);
    if (!calendar.error.empty()) {
        return {1, {}, "iCalendarを読み込めませんでした。\n" + path + "\n" + calendar.error + "\n"};
    }
    std::vector<std::pair<std::string, AlarmRecord>> items;
    items.reserve(calendar.items.size());
    for (const ICalendarItem& item : calendar.items) {
        items.emplace_back(item.uid, item.record);
    }
    const AlarmStore::Import imported = store.importAlarms(items, now);
    std::vector<std::string> problems = calendar.skipped;
    if (imported.tableFull > 0) {
        problems.push_back(std::to_string(imported.tableFull) + "件: アラームの表が一杯です");
    }
    if (imported.saved.ran && !imported.saved.dataFileSaved) {
        const FileProblem& problem = store.dataFile().lastProblem();
        return {1, linesOf(problems),
            "データファイルを保存できなかったため、読み込みませんでした。\n" + problem.path + "\n"
                + problem.reason + "\n"};
    }
    std::string summary = std::to_string(imported.added) + "件を読み込みました。"
        + std::to_string(calendar.skipped.size() + static_cast<std::size_t>(imported.tableFull))
        + "件は読み込めませんでした。";
    if (imported.known > 0) {
        summary += std::to_string(imported.known) + "件はすでにあります。";
    }
    return {0, linesOf(problems) + summary + "\n", {}};
}

} // namespace kvx

namespace kvx {

namespace {

// The one alarm `text` holds exactly, if it holds one.
std::optional<std::string> onlyAlarmKey(const std::string& text)
{
    const ICalendarImport read = importICalendar(text, systemZoneName(), AlarmRecord{});
    if (read.items.size() != 1 || !read.skipped.empty()) {
        return std::nullopt;
    }
    return alarmContentKey(read.items.front().record);
}

} // namespace

CommandAnswer resolveICalendarConflict(const std::string& first, const std::string& second)
{
    const auto refused = [](const std::string& why) {
        return CommandAnswer{1, {}, "kalvendorix: 競合した予定の両方を残せませんでした。" + why + "\n"};
    };
    std::string a;
    std::string b;
    std::string reason;
    if (readWholeFile(first, a, kMaxICalendarBytes, &reason) != ReadStatus::Read
        || readWholeFile(second, b, kMaxICalendarBytes, &reason) != ReadStatus::Read) {
        return refused(reason);
    }
    PosixFileSink sink;
    const std::optional<std::string> keyA = onlyAlarmKey(a);
    if (a != b && !(keyA && keyA == onlyAlarmKey(b))) {
        Settings settings(resolveProgramDirectory());
        AlarmDefaults defaults;
        WindowSettings window;
        settings.loadAll(defaults, window);
        const std::string& folder = window.calendarFolder;
        struct stat status { };
        if (folder.empty() || ::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            return refused("カレンダーフォルダー（ICALDIR）がありません：" + folder);
        }
        const std::string id = newAlarmId();
        const std::string copy = withUid(a, id);
        const std::string path = folder + "/" + itemFileName(id);
        if (copy.empty()) {
            return refused(first + "：iCalendar形式ではありません");
        }
        if (!replaceFileSafely(sink, path, copy, &reason)) {
            return refused(path + "：" + reason);
        }
        if (!replaceFileSafely(sink, first, b, &reason)) {
            ::unlink(path.c_str());
            return refused(first + "：" + reason);
        }
        return {0, "両方の版を残しました。一方は別の予定になりました：" + path + "\n", {}};
    }
    if (a != b && !replaceFileSafely(sink, first, b, &reason)) {
        return refused(first + "：" + reason);
    }
    return {0, {}, {}};
}

} // namespace kvx
