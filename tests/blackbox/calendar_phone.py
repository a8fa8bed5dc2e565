#!/usr/bin/python3
"""Plays a phone that shares a calendar with Kalvendorix through a CalDAV
server: it lists, changes, removes and adds events the way a phone's
calendar app does, straight on the server.

usage: calendar_phone.py URL COMMAND [ARGS]
  URL is a calendar's URL (a collection, ending in "/"); make-calendar takes
  the URL of the collection to create it in instead.

  make-calendar NAME          creates the calendar URL/NAME/, prints its URL
  events                      one JSON object a line for each event: uid,
                              summary, dtstart and rrule (the lines as
                              written, e.g. "RRULE:FREQ=DAILY", or null),
                              triggers (the TRIGGER line of each VALARM),
                              raw (the item's iCalendar text, lines ending
                              in LF as the caldav module gives them)
  raw UID                     prints the event's iCalendar text, likewise
  move UID YYYYMMDDTHHMMSS    a new local start, keeping DTSTART's parameters
  rename UID SUMMARY          a new summary
  delete UID                  removes the event
  add-weekly SUMMARY YYYYMMDDTHHMMSS [TZID]
  add-yearly SUMMARY YYYYMMDDTHHMMSS [TZID]
                              adds a repeating event (TZID Asia/Tokyo unless
                              given) with an alarm at its start; prints its UID

The server is expected to let anyone in: the phone logs in as "phone".
Exits non-zero with a message on stderr on any failure."""
import datetime
import json
import re
import sys
import uuid
import zoneinfo

import caldav
import requests

USER = "phone"


def unfolded_lines(text):
    return re.sub(r"\r?\n[ \t]", "", text).splitlines()


def split_property(line):
    """'DTSTART;TZID=Asia/Tokyo:20260110T070000' gives
    ('DTSTART', '20260110T070000')."""
    match = re.match(r'([A-Za-z0-9-]+)(?:;(?:[^:;"]|"[^"]*")*)*:(.*)$', line)
    return (match.group(1).upper(), match.group(2)) if match else (None, None)


def main_event(lines):
    """(index, name, value, component) for each line of the item's VEVENT
    without a RECURRENCE-ID: component is VEVENT for the event's own
    properties, VALARM for those of its alarms."""
    stack, event = [], []
    for index, line in enumerate(lines):
        name, value = split_property(line)
        if name == "BEGIN":
            stack.append(value.upper())
            if stack[-1] == "VEVENT":
                event = []
        elif name == "END":
            if stack.pop() == "VEVENT" and not any(
                    n == "RECURRENCE-ID" and c == "VEVENT" for _, n, _, c in event):
                return event
        elif "VEVENT" in stack:
            event.append((index, name, value, stack[-1]))
    raise SystemExit("the item has no event")


def describe(text):
    """The event's UID and SUMMARY values, its DTSTART and RRULE lines as
    written, and the TRIGGER line of each of its alarms."""
    lines = unfolded_lines(text)
    event = main_event(lines)
    own = {}
    for index, name, value, component in event:
        if component == "VEVENT":
            own.setdefault(name, (lines[index], value))
    no = (None, None)
    return {
        "uid": own.get("UID", no)[1],
        "summary": unescape_text(own.get("SUMMARY", (None, ""))[1]),
        "dtstart": own.get("DTSTART", no)[0],
        "rrule": own.get("RRULE", no)[0],
        "triggers": [lines[i] for i, n, _, c in event if n == "TRIGGER" and c == "VALARM"],
    }


def unescape_text(text):
    return re.sub(r"\\([\\;,nN])", lambda m: "\n" if m.group(1) in "nN" else m.group(1), text)


def escape_text(text):
    return (text.replace("\\", "\\\\").replace(";", "\\;").replace(",", "\\,")
            .replace("\n", "\\n"))


def replace_in_main_event(text, name, new_line):
    """The item with the line of the event's own property NAME replaced by
    new_line(line)."""
    lines = unfolded_lines(text)
    for index, found, _, component in main_event(lines):
        if found == name and component == "VEVENT":
            lines[index] = new_line(lines[index])
            return "\r\n".join(lines) + "\r\n"
    raise SystemExit(f"the event has no {name}")


def events(calendar):
    return [(describe(e.data)["uid"], e) for e in calendar.events()]


def event_by_uid(calendar, uid):
    for found_uid, event in events(calendar):
        if found_uid == uid:
            return event
    raise SystemExit(f"no event with UID {uid}")


def put(event, data):
    event.data = data
    event.save(increase_seqno=False)


def vtimezone(tzid, start):
    """A VTIMEZONE with the zone's offset at start (enough for a zone without
    daylight saving time, such as Asia/Tokyo)."""
    offset = zoneinfo.ZoneInfo(tzid).utcoffset(start)
    minutes = int(offset.total_seconds()) // 60
    sign = "+" if minutes >= 0 else "-"
    hhmm = f"{sign}{abs(minutes) // 60:02d}{abs(minutes) % 60:02d}"
    return (f"BEGIN:VTIMEZONE\r\nTZID:{tzid}\r\nBEGIN:STANDARD\r\n"
            f"DTSTART:19700101T000000\r\nTZOFFSETFROM:{hhmm}\r\nTZOFFSETTO:{hhmm}\r\n"
            f"END:STANDARD\r\nEND:VTIMEZONE\r\n")


def add(calendar, summary, start, rrule, tzid="Asia/Tokyo"):
    local = datetime.datetime.strptime(start, "%Y%m%dT%H%M%S")
    uid = f"phone-{uuid.uuid4()}"
    stamp = datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")
    calendar.save_event(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Kalvendorix tests//phone//EN\r\n"
        + vtimezone(tzid, local)
        + f"BEGIN:VEVENT\r\nUID:{uid}\r\nDTSTAMP:{stamp}\r\n"
        f"DTSTART;TZID={tzid}:{start}\r\nSUMMARY:{escape_text(summary)}\r\n"
        f"RRULE:{rrule}\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
        f"DESCRIPTION:{escape_text(summary)}\r\nTRIGGER:PT0S\r\nEND:VALARM\r\n"
        "END:VEVENT\r\nEND:VCALENDAR\r\n")
    print(uid)


def run(url, command, args):
    # Sent with every request: a server that asks no password never asks for it,
    # and Radicale makes a user's home only for a user it was told of.
    client = caldav.DAVClient(url=url, auth=requests.auth.HTTPBasicAuth(USER, USER))
    if command == "make-calendar" and len(args) == 1:
        calendar_url = url.rstrip("/") + "/" + args[0] + "/"
        response = client.mkcalendar(calendar_url)
        if response.status != 201:
            raise SystemExit(f"MKCALENDAR {calendar_url}: {response.status} {response.reason}")
        print(calendar_url)
        return
    calendar = caldav.Calendar(client=client, url=url)
    if command == "events" and not args:
        for _, event in events(calendar):
            print(json.dumps(dict(describe(event.data), raw=event.data)))
    elif command == "raw" and len(args) == 1:
        sys.stdout.write(event_by_uid(calendar, args[0]).data)
    elif command == "move" and len(args) == 2:
        datetime.datetime.strptime(args[1], "%Y%m%dT%H%M%S")  # a bad start stops here
        event = event_by_uid(calendar, args[0])
        put(event, replace_in_main_event(
            event.data, "DTSTART", lambda line: line.rsplit(":", 1)[0] + ":" + args[1]))
    elif command == "rename" and len(args) == 2:
        event = event_by_uid(calendar, args[0])
        put(event, replace_in_main_event(
            event.data, "SUMMARY", lambda line: "SUMMARY:" + escape_text(args[1])))
    elif command == "delete" and len(args) == 1:
        event_by_uid(calendar, args[0]).delete()
    elif command == "add-weekly" and len(args) in (2, 3):
        start = datetime.datetime.strptime(args[1], "%Y%m%dT%H%M%S")
        day = ["MO", "TU", "WE", "TH", "FR", "SA", "SU"][start.weekday()]
        add(calendar, args[0], args[1], f"FREQ=WEEKLY;BYDAY={day}", *args[2:])
    elif command == "add-yearly" and len(args) in (2, 3):
        add(calendar, args[0], args[1], "FREQ=YEARLY", *args[2:])
    else:
        raise SystemExit(__doc__)


def main():
    sys.stdout.reconfigure(encoding="utf-8")
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    try:
        run(sys.argv[1], sys.argv[2], sys.argv[3:])
    except SystemExit:
        raise
    except Exception as error:  # the phone's failures end the test's step
        raise SystemExit(f"calendar_phone.py {sys.argv[2]}: {type(error).__name__}: {error}")


if __name__ == "__main__":
    main()
