#pragma once

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/Records.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kvx {

// The alarm record layouts the data file has had, oldest first. Each older
// layout is a prefix of the current field list without `endTime`.
enum class RecordLayout {
    Oldest, // up to `soundFile`
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

// Reads and writes alarm records. The font name is the same in nearly every
// record, so its last conversion is kept for the next record.
class AlarmRecordCodec {
public:
    // Reads one record of `layout`. The fields the layout lacks keep their
    // values from `base`, and an older record's end time is its start time.
    AlarmRecord read(ByteReader& reader, RecordLayout layout, const AlarmRecord& base);
    // Writes one record in the current layout.
    void write(ByteWriter& writer, const AlarmRecord& record);

private:
    void readLaterFields(ByteReader& reader, RecordLayout layout, AlarmRecord& record);
    void readAppearance(ByteReader& reader, AlarmRecord& record);

    std::string m_readFontCp932;
    std::string m_readFontName;
    std::string m_writtenFontName;
    std::string m_writtenFontCp932;
};

} // namespace kvx
