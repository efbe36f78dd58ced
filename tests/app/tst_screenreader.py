#!/usr/bin/env python3
"""What a screen reader finds in the real window, read as Orca reads it:
through the AT-SPI tree with pyatspi.

Runs inside a private D-Bus session (dbus-run-session) and starts there the
accessibility bus, a private X server and the program; presses Down on the
Key list with xdotool. Checks the two lists' chosen entries before and
after, that the change was announced, the chord diagram's description
against the chord database, the neck's markers and string numbers, and that
no label on screen has a blank name.

    dbus-run-session -- python3 tst_screenreader.py path/to/lyrovan
"""

import atexit
import os
import re
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

PROGRAM = os.path.abspath(sys.argv[1])
DATABASE = os.path.join(os.path.dirname(PROGRAM), "Chords.mdb")
WAIT = 60  # seconds any one step may take on a loaded machine
passed = []
failures = []


def check(condition, what):
    print(("PASS   : " if condition else "FAIL!  : ") + what)
    (passed if condition else failures).append(what)
    return condition


def wait_for(condition, pump=None):
    end = time.monotonic() + WAIT
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        if pump:
            pump()
        time.sleep(0.05)
    return condition()


started = []


def start(command, **options):
    process = subprocess.Popen(command, **options)
    started.append(process)
    return process


def stop_all():
    for process in reversed(started):
        if process.poll() is None:
            process.terminate()
    for process in reversed(started):
        try:
            process.wait(3)
        except subprocess.TimeoutExpired:
            process.kill()  # one that outlives SIGTERM
            process.wait()


# What was started goes however the test ends, ctest's time-out included.
atexit.register(stop_all)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))


# An X server of our own, and the accessibility bus of this D-Bus session
# (its socket in a runtime folder of our own).
runtime = tempfile.TemporaryDirectory(prefix="tst_screenreader-")
os.environ["XDG_RUNTIME_DIR"] = runtime.name
read_end, write_end = os.pipe()
xserver_errors = tempfile.TemporaryFile()
# -noreset: the server keeps going when its last client leaves, rather than
# starting over while the next one connects.
xserver = start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 "-noreset"], pass_fds=[write_end], stderr=xserver_errors)
os.close(write_end)
with os.fdopen(read_end) as display_number:
    display = ":" + display_number.readline().strip()
os.environ["DISPLAY"] = display
start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"])

from gi.repository import Gio, GLib  # noqa: E402

session = Gio.bus_get_sync(Gio.BusType.SESSION)
wait_for(lambda: session.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)), None,
                                   Gio.DBusCallFlags.NONE, -1, None).unpack()[0])
import pyatspi  # noqa: E402  (finds the accessibility bus as it starts)

environment = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
program_errors = tempfile.TemporaryFile()
program = start([PROGRAM], env=environment, stderr=program_errors)


def pump():
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def walk(node):
    yield node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child)


def find(root, role, name=None):
    for node in walk(root):
        if node.getRole() == role and (name is None or node.name == name):
            return node
    return None


def shown(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def window():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for top in app:
            if top is not None and top.name == "Lyrovan" and top.getRole() == pyatspi.ROLE_FRAME:
                return top
    return None


def text_of(node):
    return node.queryText().getText(0, -1)


def entries(combo):
    entry_list = combo.getChildAtIndex(0)
    return [entry_list.getChildAtIndex(i) for i in range(entry_list.childCount)]


def spoken(name):
    return " ".join(name.replace("#", " sharp").split())


def expected_description(key, chord_index, chord_name):
    """The first stored position in words, as the database holds it."""
    with sqlite3.connect(f"file:{DATABASE}?mode=ro&immutable=1", uri=True) as db:
        rows = db.execute("SELECT Fingering, Fret FROM Chords WHERE [Key] = ? AND [Name] = ? ORDER BY [Fret]",
                          (key, chord_index)).fetchall()
    fingering, fret = rows[0][0], int(rows[0][1])
    cell = lambda string, row: fingering[row * 6 + string - 1] if row * 6 + string - 1 < len(fingering) else " "
    words = []
    for string in range(6, 0, -1):
        cells = [cell(string, row) for row in range(6)]
        stopped = [row for row in range(1, 6) if cells[row].strip()]
        if "X" in cells:
            words.append(f"string {string} muted")
        elif stopped:
            finger = cells[stopped[-1]]
            words.append(f"string {string} fret {fret + stopped[-1]} "
                         + ("thumb" if finger == "T" else f"finger {finger}"))
        else:
            words.append(f"string {string} " + ("open" if cells[0] == "O" else "unmarked"))
    return (f"{spoken(chord_name)}, position 1 of {len(rows)}, base fret {fret}: " + ", ".join(words))


heard = []
listener = lambda event: heard.append((event.type, event.source.name, str(event.any_data)))
events = []
try:
    frame = wait_for(window)
    if not check(frame is not None, "the window reaches the accessibility bus"):
        raise SystemExit(1)
    key_list = wait_for(lambda: find(frame, pyatspi.ROLE_COMBO_BOX, "Key"))
    chord_list = find(frame, pyatspi.ROLE_COMBO_BOX, "Chord type")
    diagram = find(frame, pyatspi.ROLE_IMAGE, "Chord Diagram")
    if not check(key_list and chord_list and diagram, "the lists Key and Chord type and the chord diagram"):
        raise SystemExit(1)

    # The lists: the chosen entry as text, and it alone selected among the entries.
    wait_for(lambda: text_of(key_list) and text_of(chord_list))
    for combo in (key_list, chord_list):
        chosen = text_of(combo)
        selected = [entry.name for entry in entries(combo) if entry.getState().contains(pyatspi.STATE_SELECTED)]
        print(f"         {combo.getRoleName()} '{combo.name}': text '{chosen}', selected {selected}, "
              f"{len(entries(combo))} entries")
        check(bool(chosen) and selected == [chosen], f"'{combo.name}' shows its chosen entry, selected in its list")
    check(text_of(key_list) == "C" and text_of(chord_list) == "major", "start-up chose C major")

    key_names = [entry.name for entry in entries(key_list)]
    chord_names = [entry.name for entry in entries(chord_list)]
    print(f"         {diagram.getRoleName()} '{diagram.name}': {diagram.description}")
    check(diagram.childCount == 0, "the chord diagram is one object, its cells and lines left out")
    check(diagram.description == expected_description("C ", chord_names.index("major"), "C major"),
          "the diagram describes the first position of C major")

    # Down on the Key list picks the next key; the list announces it.
    events = ["object:text-changed:insert", "object:state-changed:selected",
              "object:property-change:accessible-description"]
    for kind in events:
        pyatspi.Registry.registerEventListener(listener, kind)
    check(key_list.queryComponent().grabFocus(), "the Key list takes the focus when a screen reader asks")
    before = text_of(key_list)
    next_key = key_names[key_names.index(before) + 1]
    subprocess.run(["xdotool", "key", "Down"], check=True, env=dict(os.environ, DISPLAY=display))
    check(wait_for(lambda: text_of(key_list) == next_key, pump), f"after Down the Key list's text is '{next_key}'")
    selected = [entry.name for entry in entries(key_list) if entry.getState().contains(pyatspi.STATE_SELECTED)]
    check(selected == [next_key], f"'{next_key}' alone is selected among the keys")
    wait_for(lambda: any(kind == "object:text-changed:insert" and data == next_key for kind, _, data in heard), pump)
    wait_for(lambda: any(kind.endswith("accessible-description") for kind, _, _ in heard), pump)
    print(f"         heard: {sorted(set(kind for kind, _, _ in heard))}")
    check(any(kind == "object:text-changed:insert" and name == "Key" and data == next_key
              for kind, name, data in heard), "the Key list announced its new text")
    check(any(kind == "object:state-changed:selected" and name == next_key for kind, name, _ in heard),
          "the new key's entry announced it is selected")
    check(any(kind.endswith("accessible-description") and name == "Chord Diagram" for kind, name, _ in heard),
          "the chord diagram announced its new description")
    key = next_key.split("/")[0]
    wanted = expected_description(key.ljust(2), chord_names.index("major"), key + " major")
    check(wait_for(lambda: diagram.description == wanted, pump), "the diagram describes the new key's first position")
    print(f"         {diagram.getRoleName()} '{diagram.name}': {diagram.description}")

    # Labels on screen: each has a name; markers and string numbers say where they are.
    labels = [node for node in walk(frame) if node.getRole() == pyatspi.ROLE_LABEL and shown(node)]
    blank = [node.description or str(node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
             for node in labels if not node.name.strip()]
    check(labels and not blank, f"no label on screen has a blank name ({len(labels)} labels, blank: {blank})")
    construction = [node.name for node in labels if node.name.startswith("Chord construction:")]
    notes = [spoken(note) for note in construction[0].split(":", 1)[1].split()] if construction else []
    marker = re.compile(r"^[A-G]( sharp)?, string [1-6], fret (\d|1\d|2[01])$")
    markers = [node.name for node in labels if marker.match(node.name)]
    print(f"         markers: {len(markers)} for the notes {notes}, e.g. {markers[:4]}")
    check(len(markers) >= 6 and {name.split(",")[0] for name in markers} == set(notes),
          "the markers on screen are the chord's notes, each with its string and fret")
    strings = sorted(node.name for node in labels if node.name.startswith("string "))
    print(f"         string numbers: {strings}")
    check(strings == sorted(f"string {n}" for n in range(1, 7) for _ in range(2)),
          "the string numbers read 'string 1' to 'string 6', twice")
finally:
    for kind in events:
        pyatspi.Registry.deregisterEventListener(listener, kind)
    xserver_ended = xserver.poll()
    if failures:
        # Where clients look for the server: its socket file and what listens.
        path = "/tmp/.X11-unix/X" + display.lstrip(":")
        with open("/proc/net/unix") as table:
            listening = [line.split()[-1] for line in table if line.rstrip().endswith(path)]
        print(f"{path}: {'there' if os.path.exists(path) else 'missing'}; listening: {listening}")
    stop_all()
    # A failure says what became of the X server.
    if failures:
        xserver_errors.seek(0)
        print(f"Xvfb on {display}, " + ("running to the end" if xserver_ended is None else f"ended early ({xserver_ended})")
              + ", said:\n" + xserver_errors.read().decode(errors="replace").strip())
    program_errors.seek(0)
    errors = program_errors.read().decode(errors="replace").strip()
    if errors:
        print("lyrovan said:\n" + errors)

print(f"Totals: {len(passed)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
