#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (corpus/icalendar/ holds calendar
files of a phone and of this program): corpus/datafile/ holds every
golden data file and damaged file of the tests, a file of 32767 alarms and
files of newer versions; corpus/settings/ holds settings files as the program
and as people write them.

Run from this folder after tests/data/make-data-files.py: python3 make-seed-corpus.py
"""
import importlib.util
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
TEST_DATA = os.path.join(HERE, "..", "tests", "data")

module_spec = importlib.util.spec_from_file_location("datafiles", os.path.join(TEST_DATA, "make-data-files.py"))
datafiles = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(datafiles)


def write(name, data):
    with open(os.path.join(HERE, "corpus", name), "wb") as f:
        f.write(data)


def datafile_seeds():
    for folder in ("datafile", "corpus"):
        for name in sorted(os.listdir(os.path.join(TEST_DATA, folder))):
            shutil.copyfile(os.path.join(TEST_DATA, folder, name), os.path.join(HERE, "corpus", "datafile", name))
    d = datafiles
    quick = dict(d.RECORD_B, message="x")
    empty = d.record(dict.fromkeys(d.CURRENT_FIELDS, 0) | dict.fromkeys(d.TEXTS, ""), d.CURRENT_FIELDS)
    # The most alarms a file holds, and the spare slot after them.
    many = d.header(32767, d.CURRENT) + d.record(quick, d.CURRENT_FIELDS) * 32767 + empty + d.empty_tail()
    write("datafile/alarms-32767.dat", many)
    write("datafile/newer-version.dat", d.header(1, "Kalvendorix 2.0.0") + empty * 2 + d.empty_tail())
    write("datafile/newer-former-name.dat", d.header(1, "Tollbeck 1.1") + d.record(d.RECORD_A, d.OLDEST) * 2)
    write("datafile/legacy-count-past-records.dat", d.header(5, "Tollbeck 0.9.6") + d.record(d.RECORD_A, d.V096))


def settings_seeds():
    crlf = lambda lines: "".join(line + "\r\n" for line in lines).encode("cp932")
    saved = ["[Kalvendorix]", "STARTFLG=0", "PREFLAG=2", "PRETIME=75", "MESSAGE=一行目!*#二行目",
             "SOUNDFILE=/home/user/ベル.wav", "FONTNAME=ＭＳ 明朝", "FORMFLAG=3", "DEFFORM=1",
             "PORTNUM=5020", "COPYACTION=2", "DATAPATH=", "MIDINM=シンセ", "WAVENM=Speakers"]
    write("settings/saved.ini", crlf(saved))
    write("settings/byte-order-mark.ini", b"\xef\xbb\xbf" + crlf(saved))
    write("settings/bare-line-feeds.ini", crlf(saved).replace(b"\r\n", b"\n"))
    write("settings/sections-and-comments.ini",
          crlf(["; comment", "[Other]", "PREFLAG=9", "", "[kalvendorix]", " preflag = 1 ", ";PRETIME=3",
                "[Kalvendorix]", "PRETIME=4", "[Last]", "x"]))
    write("settings/long-values.ini",
          crlf(["[Kalvendorix]", "DATAPATH=/" + "d" * 300 + "/Kalvendorix.dat", "MESSAGE=" + "会" * 200]))
    write("settings/empty.ini", b"")


def icalendar_seeds():
    def calendar(*events, zone=""):
        body = "".join("BEGIN:VEVENT\r\n" + "".join(line + "\r\n" for line in event) + "END:VEVENT\r\n"
                       for event in events)
        return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//seed//EN\r\n" + zone + body
                + "END:VCALENDAR\r\n").encode()
    berlin = ("BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
              "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
              "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\n"
              "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
              "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n")
    write("icalendar/phone.ics", calendar(
        ["UID:phone-1", "DTSTART;TZID=Europe/Berlin:20261214T080000", "RRULE:FREQ=WEEKLY;BYDAY=MO,WE",
         "SUMMARY:Standup", "BEGIN:VALARM", "TRIGGER:-PT15M", "ACTION:DISPLAY", "DESCRIPTION:Standup",
         "END:VALARM"],
        ["UID:phone-2", "DTSTART;VALUE=DATE:20261224", "RRULE:FREQ=YEARLY", "SUMMARY:Birthday"], zone=berlin))
    write("icalendar/kalvendorix.ics", calendar(
        ["UID:kvx-0f0e0d0c-0b0a-4908-8706-050403020100", "DTSTART:20261206T073000",
         "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,WE;WKST=SA", "SUMMARY:薬を飲む", "DESCRIPTION:薬を飲む\\n食後に",
         "X-KALVENDORIX-START:46361.3125", "X-KALVENDORIX-KIND:6", "X-KALVENDORIX-WEEKDAYS:68",
         "X-KALVENDORIX-PREMODE:2", "X-KALVENDORIX-PREMINUTES:5", "X-KALVENDORIX-SOUNDFILE:%",
         "X-KALVENDORIX-MESSAGE:薬を飲む%0D%0A食後に", "BEGIN:VALARM", "TRIGGER:PT0S", "ACTION:DISPLAY",
         "DESCRIPTION:x", "X-KALVENDORIX-BELL:MAIN", "END:VALARM", "BEGIN:VALARM", "TRIGGER:-PT5M",
         "ACTION:DISPLAY", "DESCRIPTION:x", "X-KALVENDORIX-BELL:PRE", "END:VALARM"],
        ["UID:m", "DTSTART:20261215T090000Z", "RRULE:FREQ=MONTHLY;BYDAY=3TU,3TH", "SUMMARY:会議"],
        ["UID:d", "DTSTART:20261231T235959", "DURATION:PT1H", "RRULE:FREQ=MONTHLY;BYMONTHDAY=31"]))


if __name__ == "__main__":
    os.makedirs(os.path.join(HERE, "corpus", "datafile"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "corpus", "settings"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "corpus", "icalendar"), exist_ok=True)
    datafile_seeds()
    settings_seeds()
    icalendar_seeds()
