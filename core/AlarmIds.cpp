#include "core/AlarmIds.h"

#include "core/AlarmRecordCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <unordered_map>
#include <unordered_set>

namespace kvx {

namespace {

constexpr std::string_view kHeader = "Kalvendorix ids 1\n";

// FNV-1a, 64 bits, from `seed`: the same on every computer and every build.
std::uint64_t fnv(std::string_view bytes, std::uint64_t seed)
{
    std::uint64_t hash = seed;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string hex64(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// "kvx-" and 128 bits as a UUID of version `version` (4 random, 8 made here).
std::string formatId(std::uint64_t high, std::uint64_t low, unsigned version)
{
    high = (high & ~0xF000ULL) | (static_cast<std::uint64_t>(version) << 12);
    low = (low & ~(0xC0ULL << 56)) | (0x80ULL << 56);
    const std::string h = hex64(high);
    const std::string l = hex64(low);
    return "kvx-" + h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) + "-" + l.substr(0, 4) + "-"
        + l.substr(4);
}

} // namespace

std::string keyHash(std::string_view key)
{
    return hex64(fnv(key, 0xcbf29ce484222325ULL));
}

namespace {

std::string contentKeyWith(AlarmRecordCodec& codec, const AlarmRecord& alarm)
{
    AlarmRecord plain = alarm;
    plain.lastAlarm = {};
    plain.lastPreAlarm = {};
    ByteWriter writer;
    codec.write(writer, plain);
    return writer.take();
}

} // namespace

std::string alarmContentKey(const AlarmRecord& alarm)
{
    AlarmRecordCodec codec;
    return contentKeyWith(codec, alarm);
}

std::vector<std::string> alarmContentKeys(const AlarmTable& table)
{
    AlarmRecordCodec codec;
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(std::max<int>(table.alarmCount, 0)));
    for (int i = 0; i < table.alarmCount; ++i) {
        keys.push_back(contentKeyWith(codec, table.alarms[static_cast<std::size_t>(i)]));
    }
    return keys;
}

std::string newAlarmId()
{
    thread_local std::mt19937_64 generator{
        (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}()};
    const std::uint64_t high = generator();
    return formatId(high, generator(), 4);
}

std::string contentAlarmId(std::string_view contentKey, int occurrence)
{
    const std::string salted = std::string(contentKey) + "#" + std::to_string(occurrence);
    return formatId(fnv(salted, 0xcbf29ce484222325ULL), fnv(salted, 0x84222325cbf29ce4ULL), 8);
}

std::string alarmIdsPath(const std::string& dataPath)
{
    const std::size_t slash = dataPath.rfind('/');
    const std::size_t dot = dataPath.rfind('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (extension ? dataPath.substr(0, dot) : dataPath) + ".ids";
}

std::string encodeAlarmIds(const AlarmTable& alarms, const std::vector<std::string>& ids)
{
    std::string bytes(kHeader);
    const std::vector<std::string> keys = alarmContentKeys(alarms);
    for (std::size_t i = 0; i < keys.size() && i < ids.size(); ++i) {
        bytes += ids[i] + " " + keyHash(keys[i]) + "\n";
    }
    return bytes;
}

std::vector<std::string> matchAlarmIds(const AlarmTable& alarms, std::string_view idsFile)
{
    // For each content hash, the file's identities in order.
    std::unordered_map<std::string, std::vector<std::string>> known;
    if (idsFile.starts_with(kHeader)) {
        idsFile.remove_prefix(kHeader.size());
        while (!idsFile.empty()) {
            const std::size_t end = idsFile.find('\n');
            const std::string_view line = idsFile.substr(0, end);
            idsFile.remove_prefix(end == std::string_view::npos ? idsFile.size() : end + 1);
            const std::size_t space = line.find(' ');
            if (space == std::string_view::npos || space == 0 || line.size() - space - 1 != 16) {
                continue;
            }
            known[std::string(line.substr(space + 1))].emplace_back(line.substr(0, space));
        }
    }
    std::unordered_map<std::string, int> taken;
    std::unordered_set<std::string> given;
    const std::vector<std::string> keys = alarmContentKeys(alarms);
    std::vector<std::string> ids;
    ids.reserve(keys.size());
    for (const std::string& key : keys) {
        const std::string hash = keyHash(key);
        const int occurrence = taken[hash]++;
        const auto found = known.find(hash);
        std::string id = found != known.end() && occurrence < static_cast<int>(found->second.size())
            ? found->second[static_cast<std::size_t>(occurrence)]
            : contentAlarmId(key, occurrence);
        // A file that names one identity twice gives it once.
        while (!given.insert(id).second) {
            id = newAlarmId();
        }
        ids.push_back(std::move(id));
    }
    return ids;
}

} // namespace kvx
