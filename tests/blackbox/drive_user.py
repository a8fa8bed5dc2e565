#!/usr/bin/python3
"""Works the resident program's windows as a user does: the tray icon's menu
item "編集", then the window's own controls, found by their accessible names
on the desktop's accessibility bus (AT-SPI), clicked with the X server's
mouse and typed into with its keyboard.

usage: drive_user.py alarm PID HHMM MESSAGE
           adds a daily alarm in the editor and presses "ＯＫ"
       drive_user.py kana PID HHMM ROMAJI TEXT
           as alarm, but types the message through the input method: its
           trigger key Ctrl+Space in the message box, the romaji, Space to
           convert it, Return to commit it; the box must then hold TEXT
       drive_user.py see PID NAME
           waits until the program shows a window whose name begins so (no mouse or
           keyboard: works on any display)
       drive_user.py change PID MESSAGE
           clicks the editor list's first row, moves to the second with the
           Down key, types the message over the alarm's and presses
           "アラーム変更", then "ＯＫ"
       drive_user.py memo PID TEXT
           double-clicks the first memo row of the calendar window, types the
           memo into the edit window, confirms it, and presses the window's "OK"
       drive_user.py snooze PID [MESSAGE]
           presses the ringing alarm's "スヌーズ"; with MESSAGE, first checks that
           the alarm window is an alert naming it, the focus on a control naming it
Exits 0 once the last "OK" was pressed; prints what it could not find otherwise."""
import subprocess
import sys
import time

import pyatspi

BOUND_SECONDS = 20.0


def wait_for(what, find, bound=BOUND_SECONDS):
    deadline = time.monotonic() + bound
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"drive_user: {what} not seen within {bound:.0f} s")


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


def click_on(accessible, repeat=1):
    """Clicks the middle of `accessible` with the X server's mouse."""
    x, y, width, height = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdotool("mousemove", str(x + width // 2), str(y + height // 2), "click", "--repeat", str(repeat), "1")


def type_into(app, name, text, window_title=None, input_method=False):
    box = wait_for(f"the box {name!r}", lambda: control(app, pyatspi.ROLE_TEXT, name))
    if window_title:
        # Without a window manager a window that comes up later gets the
        # keyboard only when it is given it, as a click on it would.
        window = wait_for(f"the window {window_title!r}",
                          lambda: xdotool("search", "--name", f"^{window_title}$").split())[0]
        xdotool("windowfocus", "--sync", window)
    box.queryComponent().grabFocus()
    wait_for(f"the focus in {name!r}", lambda: box.getState().contains(pyatspi.STATE_FOCUSED))
    xdotool("key", "ctrl+a")
    if input_method:
        xdotool("key", "ctrl+space")
    xdotool("type", "--delay", "20", text)


def open_main_window(pid):
    app = wait_for("the program on the accessibility bus", lambda: application(pid))
    # The icon in the notification area is the program's only window on the screen.
    icon = wait_for("the tray icon", lambda: xdotool("search", "--onlyvisible", "--pid", str(pid)).split())[0]
    xdotool("mousemove", "--window", icon, "4", "4", "click", "3")
    time.sleep(0.5)
    # "編集" is the menu's first item.
    xdotool("key", "Down", "Return")
    return app


def press_and_see_close(app, window_name, role, name):
    """Presses the button `name` of the window `window_name`, which it closes."""
    window = wait_for(f"the window {window_name!r}", lambda: pyatspi.findDescendant(
        app, lambda a: a is not None and a.name == window_name and a.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG)
        and a.getState().contains(pyatspi.STATE_SHOWING), breadth_first=True))
    button = wait_for(f"{name!r} in {window_name!r}", lambda: control(window, role, name))
    button.queryAction().doAction(0)
    wait_for(f"{window_name!r} closing", lambda: not button.getState().contains(pyatspi.STATE_SHOWING))


def add_alarm(pid, hhmm, message, converted=None):
    app = open_main_window(pid)
    press(app, pyatspi.ROLE_RADIO_BUTTON, "毎日")
    places = ["時 十の位", "時 一の位", "分 十の位", "分 一の位"]
    for time_name in ("開始", "終了"):
        for place, digit in zip(places, hhmm):
            type_into(app, f"{time_name} {place}", digit)
    type_into(app, "メッセージ", message, input_method=converted is not None)
    if converted is not None:
        convert_and_commit(app, "メッセージ", converted)
    # A button pressed this way clicks a moment later, as a key press on it does.
    press(app, pyatspi.ROLE_PUSH_BUTTON, "アラーム追加")
    confirm_editor(app, "add")
    return 0


def text_of(app, name):
    box = control(app, pyatspi.ROLE_TEXT, name)
    return box.queryText().getText(0, -1) if box is not None else None


def convert_and_commit(app, name, expected):
    """Space converts the input method's reading, Return commits the first candidate."""
    xdotool("key", "space")
    xdotool("key", "Return")
    deadline = time.monotonic() + BOUND_SECONDS
    while time.monotonic() < deadline:
        if text_of(app, name) == expected:
            return
        time.sleep(0.1)
    sys.exit(f"drive_user: the box {name!r} holds {text_of(app, name)!r}, not {expected!r}")


def see_window(pid, name):
    app = wait_for("the program on the accessibility bus", lambda: application(pid))
    # The program's top-level windows are the application's children.
    wait_for(f"the window {name!r}", lambda: any(
        window is not None and window.name.startswith(name) and window.getState().contains(pyatspi.STATE_SHOWING)
        for window in app), bound=2 * BOUND_SECONDS)
    return 0


def confirm_editor(app, what):
    """Sees that `what` was not answered with a message, then presses "ＯＫ"."""
    deadline = time.monotonic() + 1.0
    while time.monotonic() < deadline:
        # A check that failed or a question would stand in front of the editor.
        for window in app:
            if window is not None and window.getRole() == pyatspi.ROLE_ALERT:
                texts = [child.name for child in window if child is not None and child.name]
                sys.exit(f"drive_user: the {what} was answered with {texts}")
        time.sleep(0.1)
    ok = wait_for("'ＯＫ'", lambda: control(app, pyatspi.ROLE_PUSH_BUTTON, "ＯＫ"))
    ok.queryAction().doAction(0)
    # "ＯＫ" saves and closes the editor.
    wait_for("the editor closing", lambda: not ok.getState().contains(pyatspi.STATE_SHOWING))


def change_second_alarm(pid, message):
    app = open_main_window(pid)
    alarms = wait_for("the alarm list", lambda: control(app, pyatspi.ROLE_LIST, "アラームリスト"))
    first = wait_for("its first row", lambda: alarms.getChildAtIndex(0))
    click_on(first)
    wait_for("the focus in the alarm list", lambda: alarms.getState().contains(pyatspi.STATE_FOCUSED))
    xdotool("key", "Down")
    time.sleep(0.5)
    type_into(app, "メッセージ", message)
    press(app, pyatspi.ROLE_PUSH_BUTTON, "アラーム変更")
    confirm_editor(app, "change")
    return 0


def add_memo(pid, text):
    app = open_main_window(pid)
    grid = wait_for("the memo list", lambda: control(app, pyatspi.ROLE_TABLE, "メモの一覧"))
    cell = wait_for("its first row", lambda: grid.queryTable().getAccessibleAt(0, 0))
    click_on(cell, repeat=2)
    type_into(app, "メモの内容", text, window_title="メモ")
    press_and_see_close(app, "メモの編集", pyatspi.ROLE_PUSH_BUTTON, "OK")
    press_and_see_close(app, "カレンダー", pyatspi.ROLE_PUSH_BUTTON, "ＯＫ（閉じる）")
    return 0


def alarm_is_announced(app, message):
    """What a screen reader meets as the alarm rings: an alert that names the
    message, and the focus on a control whose name says the alarm."""
    def alert(accessible):
        return (accessible is not None and accessible.getRole() == pyatspi.ROLE_ALERT
                and accessible.getState().contains(pyatspi.STATE_SHOWING))
    window = wait_for("the alarm window as an alert", lambda: pyatspi.findDescendant(app, alert))
    if message not in window.name and message not in window.description:
        sys.exit(f"drive_user: the alert says {window.name!r} / {window.description!r}, not {message!r}")
    focused = wait_for("the focused control", lambda: pyatspi.findDescendant(
        window, lambda a: a is not None and a.getState().contains(pyatspi.STATE_FOCUSED)))
    if message not in focused.name or "Command" in focused.name:
        sys.exit(f"drive_user: the focus is on {focused.name!r}")


def snooze(pid, message=None):
    """Clicks "スヌーズ" in the ringing alarm's window, after checking, when
    `message` is given, what a screen reader announces."""
    app = wait_for("the program", lambda: application(pid))
    if message is not None:
        alarm_is_announced(app, message)
    def snooze_button(accessible):
        return (accessible is not None and accessible.getRole() == pyatspi.ROLE_PUSH_BUTTON
                and accessible.name.startswith("スヌーズ")
                and accessible.getState().contains(pyatspi.STATE_SHOWING))
    click_on(wait_for("'スヌーズ'", lambda: pyatspi.findDescendant(app, snooze_button)))
    return 0


def main():
    task, pid = sys.argv[1], int(sys.argv[2])
    if task == "snooze":
        return snooze(pid, *sys.argv[3:4])
    if task == "alarm":
        return add_alarm(pid, sys.argv[3], sys.argv[4])
    if task == "kana":
        return add_alarm(pid, sys.argv[3], sys.argv[4], converted=sys.argv[5])
    if task == "see":
        return see_window(pid, sys.argv[3])
    if task == "change":
        return change_second_alarm(pid, sys.argv[3])
    return add_memo(pid, sys.argv[3])


if __name__ == "__main__":
    sys.exit(main())
