#pragma once

#include "core/Records.h"

// The records of the golden data files under tests/data/datafile, which
// make-data-files.py writes with a layout of its own.
namespace kvx::test {

inline AlarmRecord goldenRecordA()
{
    AlarmRecord r;
    r.startTime = OleDate(45351.375); // 2024/02/29 09:00
    r.endTime = OleDate(45351.4375); // 10:30
    r.kind = kKindWeekly;
    r.weekdayMask = kMonday | kWednesday | kFriday;
    r.lastPreAlarm = OleDate(45350.3125);
    r.lastAlarm = OleDate(45350.375);
    r.preMode = 2;
    r.preMinutes = 90;
    r.blink = 1;
    r.message = "会議\r\n資料を持参";
    r.sound = 1;
    r.soundFile = "/home/user/ring.wav";
    r.endless = 1;
    r.midiVolume = -2147450880; // 0x80008000
    r.waveVolume = 1073758208; // 0x40004000
    r.keepWindow = 0;
    r.blinkCount = 25;
    r.textColor = 255;
    r.backColor = 16776960;
    r.fontName = "ＭＳ 明朝";
    r.fontSize = 14;
    r.fontBold = 0;
    r.fontItalic = -1;
    r.fontUnderline = -1;
    r.fontStrikethru = 0;
    r.textColorIndex = 4;
    r.backColorIndex = 0;
    return r;
}

// A kind the program does not know travels through the file unchanged.
inline AlarmRecord goldenRecordB()
{
    AlarmRecord r;
    r.startTime = OleDate(45000.5);
    r.endTime = OleDate(45000.5);
    r.kind = 13;
    r.message = "ｸｲｯｸ timer";
    r.midiVolume = 65535;
    r.waveVolume = -1;
    r.keepWindow = 1;
    r.blinkCount = 10;
    r.backColor = kButtonFaceColor;
    r.fontName = "Sans";
    r.fontSize = 9;
    r.fontBold = -1;
    r.textColorIndex = 7;
    r.backColorIndex = 5;
    return r;
}

// The spare slot of the golden files holds a stale copy of a moved record.
inline AlarmRecord goldenStaleRecord()
{
    AlarmRecord r = goldenRecordA();
    r.message = "stale";
    r.kind = kKindOnce;
    return r;
}

} // namespace kvx::test
