#!/usr/bin/python3
"""Adds a daily alarm through the resident program's editor as a user does:
the tray icon's menu item "編集", then the editor's own controls, found by
their accessible names on the desktop's accessibility bus (AT-SPI) and typed
into with the X server's keyboard.

usage: drive_editor.py PID HHMM MESSAGE
Exits 0 once "ＯＫ" was pressed; prints what it could not find otherwise."""
import subprocess
import sys
import time

import pyatspi

BOUND_SECONDS = 20.0


def wait_for(what, find):
    deadline = time.monotonic() + BOUND_SECONDS
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"drive_editor: {what} not seen within {BOUND_SECONDS:.0f} s")


def xdotool(*arguments):
    return subprocess.run(["xdotool", *arguments], check=True, capture_output=True, text=True).stdout


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def control(app, role, name):
    def matches(accessible):
        return (accessible is not None and accessible.getRole() == role and accessible.name == name
                and accessible.getState().contains(pyatspi.STATE_SHOWING))
    return pyatspi.findDescendant(app, matches)


def press(app, role, name):
    wait_for(f"{name!r}", lambda: control(app, role, name)).queryAction().doAction(0)


def type_into(app, name, text):
    box = wait_for(f"the box {name!r}", lambda: control(app, pyatspi.ROLE_TEXT, name))
    box.queryComponent().grabFocus()
    wait_for(f"the focus in {name!r}", lambda: box.getState().contains(pyatspi.STATE_FOCUSED))
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", "20", text)


def main():
    pid, hhmm, message = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    app = wait_for("the program on the accessibility bus", lambda: application(pid))

    # The icon in the notification area is the program's only window on the screen.
    icon = wait_for("the tray icon", lambda: xdotool("search", "--onlyvisible", "--pid", str(pid)).split())[0]
    xdotool("mousemove", "--window", icon, "4", "4", "click", "3")
    time.sleep(0.5)
    # "編集" is the menu's first item.
    xdotool("key", "Down", "Return")

    press(app, pyatspi.ROLE_RADIO_BUTTON, "毎日")
    places = ["時 十の位", "時 一の位", "分 十の位", "分 一の位"]
    for time_name in ("開始", "終了"):
        for place, digit in zip(places, hhmm):
            type_into(app, f"{time_name} {place}", digit)
    type_into(app, "メッセージ", message)
    # A button pressed this way clicks a moment later, as a key press on it does.
    press(app, pyatspi.ROLE_PUSH_BUTTON, "アラーム追加")
    deadline = time.monotonic() + 1.0
    while time.monotonic() < deadline:
        # A check that failed or a question would stand in front of the editor.
        for window in app:
            if window is not None and window.getRole() == pyatspi.ROLE_ALERT:
                texts = [child.name for child in window if child is not None and child.name]
                sys.exit(f"drive_editor: the add was answered with {texts}")
        time.sleep(0.1)
    ok = wait_for("'ＯＫ'", lambda: control(app, pyatspi.ROLE_PUSH_BUTTON, "ＯＫ"))
    ok.queryAction().doAction(0)
    # "ＯＫ" saves and closes the editor.
    wait_for("the editor closing", lambda: not ok.getState().contains(pyatspi.STATE_SHOWING))
    return 0


if __name__ == "__main__":
    sys.exit(main())
