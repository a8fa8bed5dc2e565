#include "core/AlarmRecordCodec.h"

#include "core/Cp932.h"

#include <array>
#include <utility>

namespace kvx {

namespace {

std::string readText(ByteReader& reader)
{
    return fromCp932(reader.counted());
}

// The fields up to `soundFile`, which every layout has.
void readLeadingFields(ByteReader& reader, RecordLayout layout, AlarmRecord& record)
{
    record.startTime = reader.date();
    record.endTime = layout == RecordLayout::Current ? reader.date() : record.startTime;
    record.kind = reader.int16();
    record.weekdayMask = reader.int16();
    record.lastPreAlarm = reader.date();
    record.lastAlarm = reader.date();
    record.preMode = reader.int16();
    record.preMinutes = reader.int16();
    record.blink = reader.int16();
    record.message = readText(reader);
    record.sound = reader.int16();
    record.soundFile = readText(reader);
}

} // namespace

void AlarmRecordCodec::readAppearance(ByteReader& reader, AlarmRecord& record)
{
    record.textColor = reader.int32();
    record.backColor = reader.int32();
    const std::string_view fontName = reader.counted();
    if (fontName != m_readFontCp932) {
        m_readFontCp932 = fontName;
        m_readFontName = fromCp932(fontName);
    }
    record.fontName = m_readFontName;
    record.fontSize = reader.int16();
    record.fontBold = reader.int16();
    record.fontItalic = reader.int16();
    record.fontUnderline = reader.int16();
    record.fontStrikethru = reader.int16();
    record.textColorIndex = reader.int16();
    record.backColorIndex = reader.int16();
}

// The fields after `soundFile` of the layouts that have more than the oldest.
void AlarmRecordCodec::readLaterFields(ByteReader& reader, RecordLayout layout, AlarmRecord& record)
{
    record.endless = reader.int16();
    if (layout == RecordLayout::Tollbeck094) {
        record.midiVolume = reader.int32();
        record.keepWindow = reader.int16();
        return;
    }
    if (layout == RecordLayout::Tollbeck092) {
        return;
    }
    record.midiVolume = reader.int32();
    record.waveVolume = reader.int32();
    record.keepWindow = reader.int16();
    record.blinkCount = reader.int16();
    if (layout != RecordLayout::Tollbeck095) {
        readAppearance(reader, record);
    }
}

RecordLayout recordLayoutFor(std::string_view versionText)
{
    static constexpr std::array<std::pair<std::string_view, RecordLayout>, 7> kVersions{{
        {kCurrentVersionText, RecordLayout::Current},
        {"Tollbeck 0.9.2", RecordLayout::Tollbeck092},
        {"Tollbeck 0.9.3", RecordLayout::Tollbeck092},
        {"Tollbeck 0.9.4", RecordLayout::Tollbeck094},
        {"Tollbeck 0.9.5", RecordLayout::Tollbeck095},
        {"Tollbeck 0.9.6", RecordLayout::Tollbeck096},
        {"Tollbeck 1.0.3", RecordLayout::Tollbeck096},
    }};
    for (const auto& [text, layout] : kVersions) {
        if (text == versionText) {
            return layout;
        }
    }
    return RecordLayout::Oldest;
}

AlarmRecord convertedRecordDefaults(std::int32_t midiVolume, std::int32_t waveVolume)
{
    AlarmRecord record;
    record.endless = 0;
    record.midiVolume = midiVolume;
    record.waveVolume = waveVolume;
    record.keepWindow = 1;
    record.blinkCount = 10;
    record.textColor = 0;
    record.backColor = kButtonFaceColor;
    record.fontName = kDefaultFontName;
    record.fontSize = 12;
    record.fontBold = -1;
    record.textColorIndex = 7;
    record.backColorIndex = 5;
    return record;
}

AlarmRecord AlarmRecordCodec::read(ByteReader& reader, RecordLayout layout, const AlarmRecord& base)
{
    AlarmRecord record = base;
    readLeadingFields(reader, layout, record);
    if (layout != RecordLayout::Oldest) {
        readLaterFields(reader, layout, record);
    }
    return record;
}

void AlarmRecordCodec::write(ByteWriter& writer, const AlarmRecord& record)
{
    writer.date(record.startTime);
    writer.date(record.endTime);
    writer.int16(record.kind);
    writer.int16(record.weekdayMask);
    writer.date(record.lastPreAlarm);
    writer.date(record.lastAlarm);
    writer.int16(record.preMode);
    writer.int16(record.preMinutes);
    writer.int16(record.blink);
    writer.counted(toCp932(record.message));
    writer.int16(record.sound);
    writer.counted(toCp932(record.soundFile));
    writer.int16(record.endless);
    writer.int32(record.midiVolume);
    writer.int32(record.waveVolume);
    writer.int16(record.keepWindow);
    writer.int16(record.blinkCount);
    writer.int32(record.textColor);
    writer.int32(record.backColor);
    if (record.fontName != m_writtenFontName) {
        m_writtenFontName = record.fontName;
        m_writtenFontCp932 = toCp932(record.fontName);
    }
    writer.counted(m_writtenFontCp932);
    writer.int16(record.fontSize);
    writer.int16(record.fontBold);
    writer.int16(record.fontItalic);
    writer.int16(record.fontUnderline);
    writer.int16(record.fontStrikethru);
    writer.int16(record.textColorIndex);
    writer.int16(record.backColorIndex);
}

} // namespace kvx
