#!/usr/bin/env python3
"""Writes the golden data files under datafile/ and the damaged-file corpus
under corpus/. The byte layouts are spelled out here on their own, apart from
the C++ code, so that the tests compare the program with a second writer.

Run from this folder: python3 make-data-files.py
"""
import os
import random
import struct

CURRENT = "Kalvendorix 1.0.0"


def text(s):
    raw = s if isinstance(s, bytes) else s.encode("cp932")
    return struct.pack("<H", len(raw)) + raw


def i16(v):
    return struct.pack("<h", v)


def i32(v):
    return struct.pack("<i", v)


def date(v):
    return struct.pack("<d", v)


RECORD_A = dict(
    startTime=45351.375, endTime=45351.4375, kind=2, weekdayMask=21,
    lastPreAlarm=45350.3125, lastAlarm=45350.375, preMode=2, preMinutes=90, blink=1,
    message="会議\r\n資料を持参", sound=1, soundFile="/home/user/ring.wav", endless=1,
    midiVolume=-2147450880, waveVolume=1073758208, keepWindow=0, blinkCount=25,
    textColor=255, backColor=16776960, fontName="ＭＳ 明朝", fontSize=14, fontBold=0,
    fontItalic=-1, fontUnderline=-1, fontStrikethru=0, textColorIndex=4, backColorIndex=0)

RECORD_B = dict(
    startTime=45000.5, endTime=45000.5, kind=13, weekdayMask=0,
    lastPreAlarm=0.0, lastAlarm=0.0, preMode=0, preMinutes=0, blink=0,
    message="ｸｲｯｸ timer", sound=0, soundFile="", endless=0,
    midiVolume=65535, waveVolume=-1, keepWindow=1, blinkCount=10,
    textColor=0, backColor=-2147483633, fontName="Sans", fontSize=9, fontBold=-1,
    fontItalic=0, fontUnderline=0, fontStrikethru=0, textColorIndex=7, backColorIndex=5)

RECORD_STALE = dict(RECORD_A, message="stale", kind=4)

OLDEST = ["startTime", "kind", "weekdayMask", "lastPreAlarm", "lastAlarm", "preMode",
          "preMinutes", "blink", "message", "sound", "soundFile"]
V092 = OLDEST + ["endless"]
V094 = V092 + ["midiVolume", "keepWindow"]
V095 = V092 + ["midiVolume", "waveVolume", "keepWindow", "blinkCount"]
V096 = V095 + ["textColor", "backColor", "fontName", "fontSize", "fontBold", "fontItalic",
               "fontUnderline", "fontStrikethru", "textColorIndex", "backColorIndex"]
CURRENT_FIELDS = ["startTime", "endTime"] + V096[1:]

DATES = {"startTime", "endTime", "lastPreAlarm", "lastAlarm"}
TEXTS = {"message", "soundFile", "fontName"}
INT32 = {"midiVolume", "waveVolume", "textColor", "backColor"}


def record(values, fields):
    out = b""
    for f in fields:
        v = values[f]
        if f in DATES:
            out += date(v)
        elif f in TEXTS:
            out += text(v)
        elif f in INT32:
            out += i32(v)
        else:
            out += i16(v)
    return out


def header(count, version):
    return i32(count) + text(version)


def tail(routine_count, routine_start, names, memo_lists):
    out = i32(routine_count) + date(routine_start)
    out += b"".join(text(n) for n in names)
    out += b"".join(i32(len(lst) - 1) for lst in memo_lists) + text("")
    for lst in memo_lists:
        out += b"".join(text(m) for m in lst)
    return out


def empty_tail():
    return tail(0, 0.0, [""], [[""], [""], [""]])


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def golden():
    write("datafile/current-empty.dat",
          header(0, CURRENT) + record(dict.fromkeys(CURRENT_FIELDS, 0) | dict.fromkeys(TEXTS, ""),
                                      CURRENT_FIELDS) + empty_tail())
    records = b"".join(record(r, CURRENT_FIELDS) for r in (RECORD_A, RECORD_B, RECORD_STALE))
    # "表" has 0x5C as its second byte, the classic trap of Shift-JIS.
    memos = [["牛乳を買う", "表示を確認", ""], ["田中さんに電話", ""], [""]]
    write("datafile/current-full.dat",
          header(2, CURRENT) + records
          + tail(3, 45292.0, ["早番", "遅番", "休み", ""], memos))
    legacy = [("oldest-unknown", "Tollbeck 0.9.1", OLDEST), ("oldest-empty", "", OLDEST),
              ("tollbeck-0.9.2", "Tollbeck 0.9.2", V092), ("tollbeck-0.9.3", "Tollbeck 0.9.3", V092),
              ("tollbeck-0.9.4", "Tollbeck 0.9.4", V094), ("tollbeck-0.9.5", "Tollbeck 0.9.5", V095),
              ("tollbeck-0.9.6", "Tollbeck 0.9.6", V096), ("tollbeck-1.0.3", "Tollbeck 1.0.3", V096)]
    for name, version, fields in legacy:
        data = header(2, version) + b"".join(record(r, fields) for r in (RECORD_A, RECORD_B, RECORD_STALE))
        # What follows the records of an older file is never read.
        data += b"\x05\x00\x00\x00junk after the records"
        write(f"datafile/{name}.dat", data)


def corpus():
    rng = random.Random(20240229)
    empty_record = record(dict.fromkeys(CURRENT_FIELDS, 0) | dict.fromkeys(TEXTS, ""), CURRENT_FIELDS)
    full = header(2, CURRENT) + b"".join(record(r, CURRENT_FIELDS) for r in (RECORD_A, RECORD_B, RECORD_STALE))
    full += tail(1, 45292.0, ["早番", ""], [["牛乳", ""], [""], [""]])
    files = {
        "alarm-count-huge": header(0x7FFFFFFF, CURRENT) + empty_record,
        "alarm-count-32768": header(32768, CURRENT) + empty_record,
        "alarm-count-negative": header(-5, CURRENT) + tail(1, 45292.0, ["早番", ""], [["牛乳", ""], [""], [""]]),
        "routine-count-huge": header(0, CURRENT) + empty_record + i32(0x7FFFFFFF) + date(0.0) + text("x"),
        "memo-counts-huge": header(0, CURRENT) + empty_record + i32(0) + date(0.0) + text("")
        + i32(0x40000000) + i32(0x40000000) + i32(0x40000000) + text(""),
        "memo-counts-negative": header(0, CURRENT) + empty_record + i32(-3) + date(0.0) + text("")
        + i32(-1) + i32(-2147483648) + i32(-7) + text("") + text("a") + text("b") + text("c"),
        "truncated-in-record": full[:70],
        "truncated-string": header(0, CURRENT) + empty_record[:42] + struct.pack("<H", 60000) + b"abc",
        "invalid-cp932": header(1, CURRENT) + empty_record[:42] + text(b"\xff\x80\xa0\xfd\x81") + empty_record[44:]
        + empty_record + empty_tail()[:-2] + text(b"\x82"),
        "version-count-past-end": i32(0) + struct.pack("<H", 0xFFFF) + b"Kalv",
        "legacy-count-huge": header(40000, "Tollbeck 0.9.5") + record(RECORD_A, V095),
        "legacy-truncated": (header(3, "Tollbeck 0.9.6") + record(RECORD_A, V096) + record(RECORD_B, V096))[:150],
        "random-bytes-small": bytes(rng.randrange(256) for _ in range(300)),
        "random-bytes-large": bytes(rng.randrange(256) for _ in range(4096)),
        "zero-bytes": b"",
    }
    for name, data in files.items():
        write(f"corpus/{name}.dat", data)


if __name__ == "__main__":
    os.makedirs("datafile", exist_ok=True)
    os.makedirs("corpus", exist_ok=True)
    golden()
    corpus()
