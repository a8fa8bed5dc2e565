#pragma once

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/Records.h"

#include <cstddef>
#include <string_view>

namespace kvx {

// The alarm record layouts the data file has had, oldest first. Each older
// layout is a prefix of the current field list without `endTime`.
enum class RecordLayout {
    Oldest,      // up to `soundFile`
    Tollbeck092, // then `endless`
    Tollbeck094, // then `midiVolume`, `keepWindow`
    Tollbeck095, // then `midiVolume`, `waveVolume`, `keepWindow`, `blinkCount`
    Tollbeck096, // then the message colours and font
    Current,
};

inline constexpr std::string_view kCurrentVersionText = "Kalvendorix 1.0.0";

// An alarm record with no text takes this many bytes in the current layout.
inline constexpr std::size_t kEmptyRecordBytes = 86;

// The layout of the alarm records of a file whose header names `versionText`;
// a name the program does not know means the oldest layout.
RecordLayout recordLayoutFor(std::string_view versionText);

// The values a record converted from an older file gets for the fields its
// layout lacks. The volumes are the ones the sound devices had at start-up.
AlarmRecord convertedRecordDefaults(std::int32_t midiVolume, std::int32_t waveVolume);

// Reads one record of `layout`. The fields the layout lacks keep their values
// from `base`, and an older record's end time is its start time.
AlarmRecord readAlarmRecord(ByteReader& reader, RecordLayout layout, const AlarmRecord& base);

// Writes one record in the current layout.
void writeAlarmRecord(ByteWriter& writer, const AlarmRecord& record);

} // namespace kvx
