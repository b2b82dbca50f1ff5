#!/usr/bin/python3
"""Drives both programs from the keyboard and reads them as a screen reader does, through AT-SPI.

Run by run_accessibility_check.sh (a virtual screen, a window manager and a session bus). Starts
Pictavo and Scalvo with accessibility on and opens, with keys only, every window and dialog the
keyboard reaches: the four pages of the sheet, the theme title dialog, the theme menu (the menu key
on a theme of the user's own), the colour chooser, the folder choosers, the message boxes of a
refused value (after which the focus must be back in the refused box), Scalvo's about box. In each
one it
  - counts the controls and those without an accessible name, and
  - presses Tab around the window and lists the enabled controls that Tab never reached.
Prints one line per window and the faults under it, then the totals. Exits 1 when a control has no
name or is out of Tab's reach, 2 when the check itself could not be made (a program or a window
that never came up, a key that did not do what a user would see it do).
"""

import argparse
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

# What a user acts on, or looks at as a thing of its own (a preview, a progress bar, an icon).
CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_PAGE_TAB_LIST,
    pyatspi.ROLE_SLIDER, pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_IMAGE, pyatspi.ROLE_ICON,
    pyatspi.ROLE_CANVAS, pyatspi.ROLE_MENU_ITEM,
    # A framed area inside a window: the previews and the progress bar are drawn in one.
    pyatspi.ROLE_FRAME,
}
# The lines of a list, the rows of a tree and the tabs of a tab row are read by their own text as
# the user moves through them; they are parts of their control, as are the scroll bars (a mouse's
# way through a list that the arrow keys also scroll) and a drop-down list's hidden list.
PART_HOLDERS = {
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_PAGE_TAB_LIST,
    pyatspi.ROLE_SCROLL_BAR,
}
ITEM_ROLES = {
    pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM,
    pyatspi.ROLE_TABLE_ROW, pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_ROW_HEADER,
    pyatspi.ROLE_PAGE_TAB,
}
WINDOW_ROLES = {pyatspi.ROLE_APPLICATION, pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG,
                pyatspi.ROLE_WINDOW, pyatspi.ROLE_ALERT, pyatspi.ROLE_FILLER}

# X key symbols.
TAB, RETURN, ESCAPE, SPACE, END, MENU, DOWN = 0xFF09, 0xFF0D, 0xFF1B, 0x20, 0xFF57, 0xFF67, 0xFF54
CONTROL_MASK, SHIFT_MASK = 1 << 2, 1 << 0

TIMEOUT = 20.0


class CheckError(Exception):
    """The check could not be made: a program or a window never came up."""


# The object that has the keyboard focus, as the focus events report it (as a screen reader
# follows it). A line of a list reports the focus before its list does; the list is kept.
_focus = {"now": None, "seen": 0}


def _on_focus(event):
    if event.detail1 and event.source is not None:
        try:
            if event.source.getRole() in ITEM_ROLES:
                return
        except Exception:
            return
        _focus["now"] = event.source
        _focus["seen"] += 1


def pump(seconds):
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.01)


def wait_for(what, probe, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        pump(0.03)
        found = probe()
        if found:
            return found
    raise CheckError("gave up waiting for " + what)


def key(sym, modifiers=0, settle=0.6):
    """Presses a key; waits for the focus to move, or at most `settle` seconds."""
    seen = _focus["seen"]
    if modifiers:
        Atspi.generate_keyboard_event(modifiers, None, Atspi.KeySynthType.LOCKMODIFIERS)
    Atspi.generate_keyboard_event(sym, None, Atspi.KeySynthType.SYM)
    if modifiers:
        Atspi.generate_keyboard_event(modifiers, None, Atspi.KeySynthType.UNLOCKMODIFIERS)
    end = time.monotonic() + settle
    while time.monotonic() < end and _focus["seen"] == seen:
        pump(0.02)
    pump(0.05)  # the events that follow the first one


def type_text(text):
    for ch in text:
        key(ord(ch), settle=0.05)


def state_set(acc):
    try:
        return acc.getState()
    except Exception:  # an object that went away while it was read
        return None


def has(acc, state):
    s = state_set(acc)
    return s is not None and s.contains(state)


def children(acc):
    try:
        return [c for c in (acc.getChildAtIndex(i) for i in range(acc.childCount)) if c]
    except Exception:
        return []


def controls_of(window):
    """The showing controls of a window, its own (not the parts inside a control)."""
    found = []

    def walk(acc):
        for child in children(acc):
            if not has(child, pyatspi.STATE_SHOWING):
                continue
            role = child.getRole()
            if role in ITEM_ROLES:
                continue
            if role in CONTROL_ROLES:
                found.append(child)
            if role not in PART_HOLDERS:
                walk(child)

    walk(window)
    return found


def describe(acc):
    steps = []
    node = acc
    while node is not None and node.getRole() != pyatspi.ROLE_APPLICATION:
        steps.append(str(node.getIndexInParent()))
        node = node.parent
    return "%s (child %s)" % (acc.getRoleName(), "/".join(reversed(steps)))


def dump(acc, depth=0):
    print("  " * depth + "%s \"%s\"%s" % (acc.getRoleName(), acc.name,
                                         "" if has(acc, pyatspi.STATE_SHOWING) else " (hidden)"))
    if depth == 0 or has(acc, pyatspi.STATE_SHOWING):
        for child in children(acc):
            if child.getRole() not in ITEM_ROLES:
                dump(child, depth + 1)


class Report:
    def __init__(self, dump_trees):
        self.lines = []
        self.controls = self.unnamed = self.unreached = 0
        self.counted = set()  # the pages share one window: each control is counted once
        self.dump_trees = dump_trees

    def window(self, program, what, window, tab_walk=True):
        if self.dump_trees:
            dump(window)
        controls = controls_of(window)
        # An object's path is unique within its program only.
        fresh = [acc for acc in controls if (program, acc.path) not in self.counted]
        self.counted.update((program, acc.path) for acc in fresh)
        unnamed = [acc for acc in fresh if not (acc.name or "").strip()]
        unreached = tab_round(window, controls) if tab_walk else []
        self.controls += len(fresh)
        self.unnamed += len(unnamed)
        self.unreached += len(unreached)
        self.lines.append("%-7s %-26s %3d controls, %2d without a name, %2d out of Tab's reach" %
                          (program, what, len(fresh), len(unnamed), len(unreached)))
        self.lines += ["          no name: " + describe(acc) for acc in unnamed]
        self.lines += ["          out of Tab's reach: %s \"%s\"" % (describe(acc), acc.name)
                       for acc in unreached]
        print(self.lines[-1 - len(unnamed) - len(unreached)], flush=True)


def tab_round(window, controls):
    """Presses Tab around the window; returns the enabled, focusable controls it never reached.
    Tab stops once at a group of radio buttons (the arrow keys move within it): a radio button
    counts as reached when one of the radio buttons beside it was."""
    wanted = [acc for acc in controls
              if has(acc, pyatspi.STATE_FOCUSABLE) and has(acc, pyatspi.STATE_SENSITIVE)]
    start = _focus["now"]
    reached = {start.path} if start is not None else set()
    for _ in range(len(wanted) + 2):
        key(TAB)
        now = _focus["now"]
        if now is None:
            continue
        reached.add(now.path)
        if start is not None and now.path == start.path:
            break

    def radio_group(acc):
        parent = acc.parent
        return {c.path for c in children(parent) if c.getRole() == pyatspi.ROLE_RADIO_BUTTON}

    return [acc for acc in wanted
            if acc.path not in reached and not (acc.getRole() == pyatspi.ROLE_RADIO_BUTTON and
                                                radio_group(acc) & reached)]


def find_app(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app.name == name:
            return app
    return None


def windows_of(app):
    return [w for w in children(app) if has(w, pyatspi.STATE_SHOWING)]


def new_window(app, before, what):
    """The window that opened since `before` (the windows then showing)."""
    known = {w.path for w in before}
    return wait_for(what, lambda: next(
        (w for w in windows_of(app) if w.path not in known), None))


def closed(app, window, what):
    wait_for(what + " to close", lambda: all(w.path != window.path for w in windows_of(app)))


def text_of(acc):
    try:
        text = acc.queryText()
        return text.getText(0, text.characterCount)
    except Exception:  # not a text
        return None


def tab_to(name=None, text=None, limit=60, backwards=False):
    """Presses Tab until the control named `name` (or the box holding `text`) has the focus, as a
    user would."""
    trail = []
    for _ in range(limit):
        now = _focus["now"]
        if now is not None and (now.name == name if text is None else text_of(now) == text):
            return now
        trail.append(now.name if now is not None else "-")
        key(TAB, SHIFT_MASK if backwards else 0)
    raise CheckError("Tab never reached \"%s\" (%s)" % (name or text, " > ".join(trail[:20])))


def focused_in(app):
    """The object of `app` whose state says it has the focus (events may come late or out of
    order while windows change)."""
    found = []

    def walk(acc, depth):
        for child in children(acc):
            if has(child, pyatspi.STATE_FOCUSED) and child.getRole() not in ITEM_ROLES:
                found.append(child)
            if depth < 8 and has(child, pyatspi.STATE_SHOWING):
                walk(child, depth + 1)

    for window in windows_of(app):
        if has(window, pyatspi.STATE_ACTIVE):
            walk(window, 0)
    return found[-1] if found else None


def back_in(app, text):
    """Waits until the focus is back in the box holding `text`, where a refused value leaves it."""
    def probe():
        now = focused_in(app)
        return now if now is not None and text_of(now) == text else None
    try:
        _focus["now"] = wait_for("the focus back in the box holding \"%s\"" % text, probe)
    except CheckError as e:
        now = focused_in(app)
        raise CheckError("%s; the focus is on %s \"%s\"" % (
            e, describe(now) if now else "nothing", now.name if now else ""))


def focus_is(role):
    now = _focus["now"]
    if now is None or now.getRole() != role:
        raise CheckError("the focus is on %s, not on a %s" % (
            describe(now) if now is not None else "nothing", Atspi.role_get_name(role)))
    return now


def open_with(app, keys, what):
    """Presses `keys` and returns the window they open."""
    before = windows_of(app)
    for sym, modifiers in keys:
        key(sym, modifiers)
    window = new_window(app, before, what)
    wait_for("the focus in " + what, lambda: _focus["now"] is not None)
    return window


def start(program, cwd):
    env = dict(os.environ)
    env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    env["QT_QPA_PLATFORM"] = "xcb"
    env.pop("QT_SCALE_FACTOR", None)
    _focus["now"] = None
    proc = subprocess.Popen([program], cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    name = os.path.basename(program)
    app = wait_for(name + " on the accessibility bus", lambda: find_app(name))
    # Every question goes to the program: nothing read earlier is taken for what shows now.
    app.set_cache_mask(Atspi.Cache.NONE)
    wait_for("the first window of " + name, lambda: windows_of(app))
    wait_for("the focus in " + name, lambda: _focus["now"] is not None)
    return proc, app


def stop(proc):
    proc.terminate()
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def check_pictavo(report, program, start_dir):
    proc, app = start(program, start_dir)
    try:
        sheet = windows_of(app)[0]
        for page in ("ピクチャー", "HTML", "スタイル", "作成"):
            report.window("Pictavo", "page " + page, sheet)
            key(TAB, CONTROL_MASK)  # Ctrl+Tab: the next page

        # The HTML page: a number out of range keeps the user on the page with a message box.
        key(TAB, CONTROL_MASK)
        tab_to("撮影日時順に並べる")  # the last box of the thumbnails' first line
        key(TAB)
        focus_is(pyatspi.ROLE_TEXT)
        type_text("0")
        message = open_with(app, [(TAB, CONTROL_MASK)], "the message box")
        report.window("Pictavo", "message box", message)
        key(RETURN)
        closed(app, message, "the message box")
        back_in(app, "0")
        type_text("4")

        # The Style page: the theme title dialog adds a theme of the user's own, whose menu the
        # menu key opens; the first colour button opens the colour chooser.
        key(TAB, CONTROL_MASK)
        tab_to("現在の設定をテーマに追加...")
        title = open_with(app, [(SPACE, 0)], "the theme title dialog")
        report.window("Pictavo", "theme title dialog", title)
        type_text("a11y")
        key(RETURN)
        closed(app, title, "the theme title dialog")
        key(TAB, SHIFT_MASK)
        focus_is(pyatspi.ROLE_LIST)
        key(END)
        # A pop-up menu is no window of the application: it is found through its first item,
        # which Down highlights once the menu key has opened it.
        key(MENU)
        key(DOWN)
        item = wait_for("the theme menu", lambda: _focus["now"] is not None and
                        _focus["now"].getRole() == pyatspi.ROLE_MENU_ITEM and _focus["now"])
        report.window("Pictavo", "theme menu", item.parent, tab_walk=False)
        key(ESCAPE)
        wait_for("the theme menu to close",
                 lambda: _focus["now"] is not None and
                 _focus["now"].getRole() == pyatspi.ROLE_LIST)
        key(TAB)
        key(TAB)
        colours = open_with(app, [(SPACE, 0)], "the colour chooser")
        report.window("Pictavo", "colour chooser", colours)
        key(ESCAPE)
        closed(app, colours, "the colour chooser")

        # The Output page: the folder chooser.
        key(TAB, CONTROL_MASK)
        tab_to("参照...")
        chooser = open_with(app, [(SPACE, 0)], "the folder chooser")
        report.window("Pictavo", "folder chooser", chooser)
        key(ESCAPE)
        closed(app, chooser, "the folder chooser")
    finally:
        stop(proc)


def check_scalvo(report, program, start_dir):
    proc, app = start(program, start_dir)
    try:
        dialog = windows_of(app)[0]
        report.window("Scalvo", "dialog", dialog)

        # A percentage out of range is refused in a message box.
        tab_to("縮小率 ：")
        key(TAB)
        focus_is(pyatspi.ROLE_TEXT)
        type_text("0")
        message = open_with(app, [(TAB, 0)], "the message box")
        report.window("Scalvo", "message box", message)
        key(RETURN)
        closed(app, message, "the message box")
        back_in(app, "0")
        type_text("100")

        tab_to("参照...")
        chooser = open_with(app, [(SPACE, 0)], "the folder chooser")
        report.window("Scalvo", "folder chooser", chooser)
        key(ESCAPE)
        closed(app, chooser, "the folder chooser")

        tab_to("バージョン情報")
        about = open_with(app, [(SPACE, 0)], "the about box")
        report.window("Scalvo", "about box", about)
        key(ESCAPE)
        closed(app, about, "the about box")
    finally:
        stop(proc)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pictavo", required=True)
    parser.add_argument("--scalvo", required=True)
    parser.add_argument("--start-dir", required=True,
                        help="the folder both start in (Pictavo's materials are under it)")
    parser.add_argument("--dump", action="store_true", help="print each window's tree")
    args = parser.parse_args()

    listener = Atspi.EventListener.new(_on_focus)
    listener.register("object:state-changed:focused")
    report = Report(args.dump)
    try:
        check_pictavo(report, args.pictavo, args.start_dir)
        check_scalvo(report, args.scalvo, args.start_dir)
    except CheckError as e:
        print("\n".join(report.lines))
        print("accessibility check: " + str(e), file=sys.stderr)
        return 2
    print("\n".join(report.lines))
    print("%d controls, %d without a name, %d out of Tab's reach" %
          (report.controls, report.unnamed, report.unreached))
    return 1 if report.unnamed or report.unreached else 0


if __name__ == "__main__":
    sys.exit(main())
