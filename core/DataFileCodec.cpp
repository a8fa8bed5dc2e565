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

// Every string takes at least its two-byte count: a count the rest of the
// file cannot hold is refused before anything is sized by it.
bool isBelievableCount(std::int64_t count, const ByteReader& reader)
{
    return (count + 1) * 2 <= static_cast<std::int64_t>(reader.remaining());
}

std::vector<std::string> readStrings(ByteReader& reader, std::int32_t upper)
{
    std::vector<std::string> strings(static_cast<std::size_t>(upper) + 1);
    for (std::string& text : strings) {
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
    for (std::int32_t i = 0; i <= storedCount && !reader.overran(); ++i) {
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
    const std::int64_t strings = std::int64_t{uppers[0]} + uppers[1] + uppers[2] + 2;
    if (!isBelievableCount(strings, reader)) {
        return false;
    }
    for (std::size_t list = 0; list < uppers.size(); ++list) {
        memos.lists[list] = readStrings(reader, uppers[list]);
    }
    return true;
}

// An older file: its last record is the spare slot, which the conversion
// empties, so it need not be in the file at all. Every alarm before it must be
// whole.
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
        table.alarms.push_back(codec.read(reader, layout, legacyDefaults));
        if (reader.overran()) {
            return false;
        }
    }
    table.alarms.emplace_back();
    table.alarmCount = static_cast<std::int16_t>(storedCount);
    return true;
}

// Text a person or a program wrote: code page 932 without control characters.
bool isPlainText(std::string_view cp932)
{
    const bool controls = std::ranges::any_of(cp932, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    return !controls && fromCp932(cp932).find("\uFFFD") == std::string::npos;
}

// The oldest files name no version this program knows. Bytes that happen to
// start with a small count and a short text (zeros, another program's file)
// would read as such a file with no alarms: an unknown file must name its
// version in plain text and hold at least one alarm.
bool looksLikeOldestFile(std::string_view versionText, std::int32_t storedCount)
{
    return versionText.starts_with("Tollbeck ") || (storedCount >= 1 && isPlainText(versionText));
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

DecodeResult decodeWholeFile(std::string_view bytes, SharedTables& tables, const AlarmRecord& legacyDefaults)
{
    ByteReader reader(bytes);
    const std::int32_t storedCount = reader.int32();
    const std::string_view versionText = reader.counted();
    if (reader.overran() || storedCount > AlarmTable::kMaxAlarms) {
        return DecodeResult::Damaged;
    }
    const RecordLayout layout = recordLayoutFor(versionText);
    if (layout != RecordLayout::Current) {
        if (isNewerVersion(versionText)) {
            return DecodeResult::NewerVersion;
        }
        if (layout == RecordLayout::Oldest && !looksLikeOldestFile(versionText, storedCount)) {
            return DecodeResult::NotADataFile;
        }
        return convertAlarms(reader, storedCount, layout, legacyDefaults, tables.alarms)
            ? DecodeResult::Converted
            : DecodeResult::Damaged;
    }
    readAlarms(reader, storedCount, layout, AlarmRecord{}, tables.alarms);
    if (reader.overran() || !readRoutines(reader, tables.routines) || !readMemos(reader, tables.memos)) {
        return DecodeResult::Damaged;
    }
    return reader.overran() || reader.remaining() != 0 ? DecodeResult::Damaged : DecodeResult::Current;
}

} // namespace

bool fitsDataFile(std::string_view text)
{
    return toCp932(text).size() <= kMaxTextBytes;
}

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
    if (bytes.empty()) {
        return DecodeResult::Converted;
    }
    const DecodeResult result = decodeWholeFile(bytes, tables, legacyDefaults);
    if (result != DecodeResult::Current && result != DecodeResult::Converted) {
        tables.clearData();
    }
    return result;
}

} // namespace kvx
