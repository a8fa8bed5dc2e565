#include "core/DataFileCodec.h"

#include "core/AlarmRecordCodec.h"
#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/Cp932.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace kvx {

namespace {

bool isBelievableCount(std::int64_t count, const ByteReader& reader)
{
    const auto leastBytes = (count + 1) * 2;
    return count <= kMaxCountPastEnd || leastBytes <= static_cast<std::int64_t>(reader.remaining());
}

std::vector<std::string> readStrings(ByteReader& reader, std::int32_t upper)
{
    std::vector<std::string> strings(static_cast<std::size_t>(upper) + 1);
    for (std::string& text : strings) {
        if (reader.remaining() == 0) {
            break;
        }
        text = fromCp932(reader.counted());
    }
    return strings;
}

void writeStrings(ByteWriter& writer, const std::vector<std::string>& strings, std::int32_t upper)
{
    for (std::int32_t i = 0; i <= upper; ++i) {
        const auto index = static_cast<std::size_t>(i);
        writer.counted(index < strings.size() ? toCp932(strings[index]) : std::string());
    }
}

// A negative stored count leaves an empty table: the records are not in the
// file, and a negative count in memory would make the next new alarm land at a
// negative index.
void readAlarms(ByteReader& reader, std::int32_t storedCount, RecordLayout layout, const AlarmRecord& base,
    AlarmTable& table)
{
    if (storedCount < 0) {
        return;
    }
    table.alarms.clear();
    table.alarms.reserve(static_cast<std::size_t>(storedCount) + 1);
    AlarmRecordCodec codec;
    for (std::int32_t i = 0; i <= storedCount; ++i) {
        table.alarms.push_back(codec.read(reader, layout, base));
    }
    table.alarmCount = static_cast<std::int16_t>(storedCount);
}

bool readRoutines(ByteReader& reader, RoutineList& routines)
{
    const std::int32_t count = std::max(reader.int32(), 0);
    const OleDate start = reader.date();
    if (!isBelievableCount(count, reader)) {
        return false;
    }
    routines.routineCount = count;
    routines.routineStart = start;
    routines.routineNames = readStrings(reader, count);
    return true;
}

bool readMemos(ByteReader& reader, MemoLists& memos)
{
    std::array<std::int32_t, 3> uppers{};
    for (std::int32_t& upper : uppers) {
        upper = std::max(reader.int32(), 0);
    }
    reader.counted(); // the reserved string, always empty
    for (const std::int32_t upper : uppers) {
        if (!isBelievableCount(upper, reader)) {
            return false;
        }
    }
    for (std::size_t list = 0; list < uppers.size(); ++list) {
        memos.lists[list] = readStrings(reader, uppers[list]);
    }
    return true;
}

// An older file: its last record is the spare slot, which the conversion
// empties, so it need not be in the file at all; the alarm before it may be
// cut off by the end of the file. An alarm wholly past the end means a count
// that the file never held.
bool convertAlarms(ByteReader& reader, std::int32_t storedCount, RecordLayout layout,
    const AlarmRecord& legacyDefaults, AlarmTable& table)
{
    if (storedCount < 0) {
        return true;
    }
    table.alarms.clear();
    table.alarms.reserve(static_cast<std::size_t>(storedCount) + 1);
    AlarmRecordCodec codec;
    for (std::int32_t i = 0; i < storedCount; ++i) {
        if (reader.remaining() == 0) {
            table.alarms.resize(1);
            return false;
        }
        table.alarms.push_back(codec.read(reader, layout, legacyDefaults));
    }
    table.alarms.emplace_back();
    table.alarmCount = static_cast<std::int16_t>(storedCount);
    return true;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// "1.0.3" as {1, 0, 3}; nothing unless it is dotted decimal numbers.
std::optional<std::vector<int>> versionNumbers(std::string_view text)
{
    std::vector<int> numbers;
    for (;;) {
        int number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error != std::errc() || end == text.data()) {
            return std::nullopt;
        }
        numbers.push_back(number);
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        if (text.empty()) {
            return numbers;
        }
        if (text.front() != '.') {
            return std::nullopt;
        }
        text.remove_prefix(1);
    }
}

// Code page 932 text is never longer than its UTF-8, so this is enough room.
std::size_t sizeBound(const SharedTables& tables)
{
    std::size_t size = 64;
    for (const AlarmRecord& record : tables.alarms.alarms) {
        size += kEmptyRecordBytes + record.message.size() + record.soundFile.size() + record.fontName.size();
    }
    size += 2 * tables.routines.routineNames.size();
    for (const std::string& name : tables.routines.routineNames) {
        size += name.size();
    }
    for (const auto& list : tables.memos.lists) {
        for (const std::string& memo : list) {
            size += 2 + memo.size();
        }
    }
    return size;
}

} // namespace

std::string versionTextOf(std::string_view bytes)
{
    ByteReader reader(bytes);
    reader.int32();
    return std::string(reader.counted());
}

// This program wrote "Kalvendorix" files from its first version on, and before
// that "Tollbeck" files up to the last one listed in the record layouts. An
// earlier "Tollbeck" version, or a text naming neither, reads as the oldest
// layout.
bool isNewerVersion(std::string_view versionText)
{
    constexpr std::string_view kName = "Kalvendorix ";
    constexpr std::string_view kFormerName = "Tollbeck ";
    if (startsWith(versionText, kName)) {
        // A file cut inside its header may hold the start of the current name.
        return !kCurrentVersionText.starts_with(versionText);
    }
    if (!startsWith(versionText, kFormerName)) {
        return false;
    }
    const auto numbers = versionNumbers(versionText.substr(kFormerName.size()));
    return numbers && *numbers > std::vector<int>{1, 0, 3};
}

std::string encodeDataFile(const SharedTables& tables)
{
    ByteWriter writer;
    writer.reserve(sizeBound(tables));
    const AlarmTable& table = tables.alarms;
    writer.int32(table.alarmCount);
    writer.counted(kCurrentVersionText);
    AlarmRecordCodec codec;
    for (int i = 0; i <= table.alarmCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        codec.write(writer, index < table.alarms.size() ? table.alarms[index] : AlarmRecord{});
    }
    // Counts are never written negative: a reader takes a negative count as 0
    // and would read one string more than was written.
    const std::int32_t routineCount = std::max(tables.routines.routineCount, 0);
    writer.int32(routineCount);
    writer.date(tables.routines.routineStart);
    writeStrings(writer, tables.routines.routineNames, routineCount);
    for (int list = 0; list < 3; ++list) {
        writer.int32(std::max(tables.memos.upper(list), 0));
    }
    writer.counted({});
    for (int list = 0; list < 3; ++list) {
        writeStrings(writer, tables.memos.lists[static_cast<std::size_t>(list)],
            std::max(tables.memos.upper(list), 0));
    }
    return writer.take();
}

DecodeResult decodeDataFile(std::string_view bytes, SharedTables& tables, const AlarmRecord& legacyDefaults)
{
    tables.clearData();
    ByteReader reader(bytes);
    const std::int32_t storedCount = reader.int32();
    const RecordLayout layout = recordLayoutFor(reader.counted());
    if (storedCount > AlarmTable::kMaxAlarms) {
        return DecodeResult::Damaged;
    }
    if (layout != RecordLayout::Current && isNewerVersion(versionTextOf(bytes))) {
        return DecodeResult::NewerVersion;
    }
    if (layout != RecordLayout::Current) {
        return convertAlarms(reader, storedCount, layout, legacyDefaults, tables.alarms)
            ? DecodeResult::Converted
            : DecodeResult::Damaged;
    }
    readAlarms(reader, storedCount, layout, AlarmRecord{}, tables.alarms);
    if (!readRoutines(reader, tables.routines) || !readMemos(reader, tables.memos)) {
        return DecodeResult::Damaged;
    }
    return DecodeResult::Current;
}

} // namespace kvx
