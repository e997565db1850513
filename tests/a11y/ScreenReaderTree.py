#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Starts the built program on a virtual X server inside a private D-Bus session with the
accessibility bus, and reads its accessible tree the way a screen reader does, through the bus.

usage: ScreenReaderTree.py PROGRAM_DIR SYNTH

Asserts what a screen reader gets: a name on every control shown, the live view taking the focus
by Tab, the heart rate, mark, hint and input level read from it while monitoring and told as they
change, the record list's choice, the chart's cursor and playback position as a number and as
text, and no change the bus had to drop. Keys are real X key presses (xdotool). Prints, as
MEASURED lines, what is not asserted. Run it under dbus-run-session; exit status 0 passed, 1
failed, 77 skipped.
"""

import datetime
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
# Roles that hold controls rather than being one.
CONTAINER_ROLES = {"application", "frame", "window", "filler", "panel", "unknown",
                   "redundant object", "menu bar", "scroll pane", "viewport", "page tab list"}


class Failed(Exception):
    pass


def wait_for(what, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = what()
        if found:
            return found
        time.sleep(0.1)
    return None


def start_display(folder):
    read_end, write_end = os.pipe()
    log = open(os.path.join(folder, "xvfb.log"), "wb")
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stdout=log, stderr=log)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise Failed("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


def program_folder(built, folder):
    program = os.path.join(folder, "program")
    os.makedirs(program)
    for name in ("marulo", "Conf.ini", "Lang.ini"):
        if os.path.exists(os.path.join(built, name)):
            shutil.copy2(os.path.join(built, name), program)
    shutil.copytree(os.path.join(built, "lang"), os.path.join(program, "lang"))
    return program


def profile(folder):
    # A mother with a due date 100 days ahead, so monitoring starts at once.
    config = os.path.join(folder, "config")
    os.makedirs(os.path.join(config, "Quenfor"))
    edc = datetime.date.today() + datetime.timedelta(days=100)
    with open(os.path.join(config, "Quenfor", "Marulo.ini"), "w") as ini:
        ini.write("[General]\nName=Anna\nEDC=%s\n" % edc.isoformat())
    return config


def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def value_of(node):
    try:
        return node.queryValue().currentValue
    except NotImplementedError:
        return None


def action_names(node):
    try:
        action = node.queryAction()
        return [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        return []


def description_of(node):
    return node.description or ""


def press(display, window, *keys):
    env = dict(os.environ, DISPLAY=display)
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["xdotool", "key", "--delay", "60"] + list(keys), env=env, check=True)


def texts_of(node):
    texts = [node.name or "", node.description or ""]
    try:
        text = node.queryText()
        texts.append(text.getText(0, text.characterCount))
    except NotImplementedError:
        pass
    return texts


def main():
    built, synth = sys.argv[1], sys.argv[2]
    try:
        import pyatspi
        from gi.repository import GLib
    except ImportError as error:
        print("SKIP: no python3-pyatspi (%s)" % error)
        return SKIP
    launcher = "/usr/libexec/at-spi-bus-launcher"
    if not os.path.exists(launcher) or not shutil.which("Xvfb") or not shutil.which("xdotool"):
        print("SKIP: no accessibility bus launcher, Xvfb or xdotool")
        return SKIP

    folder = tempfile.mkdtemp(prefix="marulo-a11y-")
    children = []
    program = None
    failures = []
    measured = []
    try:
        children.append(subprocess.Popen([launcher, "--launch-immediately"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        xvfb, display = start_display(folder)
        children.append(xvfb)
        program_dir = program_folder(built, folder)
        input_wav = os.path.join(folder, "input.wav")
        subprocess.run([synth, input_wav, "--seconds", "40", "--bpm-start", "140",
                        "--bpm-end", "140", "--turn-up", "0:4", "--lift", "4:8:silence"],
                       check=True, stdout=subprocess.DEVNULL)
        runtime = os.path.join(folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   LC_ALL="C.UTF-8", LANGUAGE="",
                   MARULO_SOUND_INPUT_FILE=input_wav, XDG_CONFIG_HOME=profile(folder),
                   XDG_RUNTIME_DIR=runtime, XDG_DATA_HOME=os.path.join(folder, "data"))
        log = open(os.path.join(folder, "marulo.log"), "wb")
        program = subprocess.Popen([os.path.join(program_dir, "marulo")], env=env,
                                   stdout=log, stderr=log)

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == program.pid:
                    return app if any(n.getRoleName() == "push button"
                                      for n, _ in walk(app)) else None
            return None

        app = wait_for(application, 15)
        if app is None:
            raise Failed("the program never appeared on the accessibility bus")

        nodes = list(walk(app))
        unnamed = []
        for node, depth in nodes:
            role = node.getRoleName()
            if not role.startswith("table "):
                print("%s%s: %r" % ("  " * depth, role, node.name))
            # A scroll bar Qt keeps hidden is no control.
            hidden_bar = role == "scroll bar" and not node.getState().contains(
                pyatspi.STATE_SHOWING)
            if role not in CONTAINER_ROLES and not hidden_bar and not (node.name or "").strip():
                unnamed.append(role)
        if unnamed:
            failures.append("controls without a name: %s" % ", ".join(unnamed))

        # The due-date calendar is closed: none of its days may be announced as on screen.
        days_showing = [n.name for n, _ in nodes
                        if n.getRoleName() == "table cell" and (n.name or "").isdigit()
                        and n.getState().contains(pyatspi.STATE_SHOWING)]
        if days_showing:
            failures.append("the closed calendar's days are showing: %s" % days_showing[:5])

        def focused():
            return [n.name for n, _ in walk(app) if n.getState().contains(pyatspi.STATE_FOCUSED)]

        def named(name):
            return next((n for n, _ in walk(app) if n.name == name), None)

        live_view = named("Live heartbeat")
        start = named("Start monitoring")
        chart = next((n for n, _ in nodes if n.getRoleName() == "chart"), None)
        if live_view is None or start is None or chart is None:
            raise Failed("no live view 'Live heartbeat', 'Start monitoring' button or chart")
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(program.pid)],
                                env=dict(os.environ, DISPLAY=display), capture_output=True,
                                text=True).stdout.split()
        if not window:
            raise Failed("the program's window is not on the display")
        window = window[-1]

        events = []

        def heard(event):
            # Qt's event carries no text: a screen reader asks for it as it comes.
            text = (event.source.description
                    if event.type.endswith("accessible-description") else None)
            events.append((time.monotonic(), event.source, event.type, event.detail1, text))

        for kind in ("object:property-change:accessible-value",
                     "object:property-change:accessible-name",
                     "object:property-change:accessible-description",
                     "object:value-changed", "object:state-changed:focused"):
            pyatspi.Registry.registerEventListener(heard, kind)

        def run_events(milliseconds):
            GLib.timeout_add(milliseconds, pyatspi.Registry.stop)
            pyatspi.Registry.start()

        def heard_from(source, kind):
            return [e for e in events if e[1] == source and e[2].endswith(kind)]

        # Tab from the monitoring button reaches the live view, which says so.
        start.queryComponent().grabFocus()
        run_events(300)
        press(display, window, "Tab")
        run_events(500)
        if not live_view.getState().contains(pyatspi.STATE_FOCUSED):
            failures.append("Tab from the monitoring button does not reach the live view "
                            "(focus on %s)" % focused())
        idle = description_of(live_view)
        measured.append("live view before monitoring: %r" % idle)

        descriptions = []

        def look():
            descriptions.append((value_of(live_view), description_of(live_view)))
            return True

        def recording_state():
            return next((n.name for n, _ in walk(app)
                         if n.name == "Not recording" or (n.name or "").startswith("Recording, ")),
                        None)

        if recording_state() != "Not recording":
            failures.append("idle recording state read as %r" % recording_state())
        events.clear()
        start.queryAction().doAction(0)
        # The input is too loud at first and then lifted off for long enough that the window
        # shows its rate, its marks, the level warning and a hint.
        GLib.timeout_add(500, look)
        run_events(12500)
        # The elapsed time arrives in the state's name, at most every three seconds.
        during = recording_state() or ""
        measured.append("recording state after 12.5 s: %r" % during)
        elapsed = during[len("Recording, "):].split(":")
        if not (during.startswith("Recording, ") and len(elapsed) == 2
                and 6 <= int(elapsed[0]) * 60 + int(elapsed[1]) <= 16):
            failures.append("recording state during a 12.5 s run read as %r" % during)
        print("live view while monitoring (value, description):")
        for value, text in descriptions:
            print("  %s %r" % (value, text))
        numbers = [n for n, _ in descriptions]
        if not any(n and 50 <= n <= 240 for n in numbers):
            failures.append("the live heart rate is not read: values %s" % numbers)
        everything = " | ".join(t for _, t in descriptions)
        for label, words in (("the mark", ("Signal good", "Signal weak", "No signal")),
                             ("the weak or missing mark", ("Signal weak", "No signal")),
                             ("a hint", ("Mother's pulse", "No heartbeat heard", "Talking",
                                         "half the baby", "Slow heartbeat", "volume down")),
                             ("the input level", ("input level",)),
                             ("'Too loud'", ("Too loud",))):
            if not any(w in everything for w in words):
                failures.append("%s is not in the live view's description" % label)
        for value, text in descriptions:
            if "No signal" in text and ("no heartbeat heard" not in text or value != 0):
                failures.append("with no signal the live view says %r, %s" % (text, value))
                break
        told = heard_from(live_view, "accessible-description")
        if not told:
            failures.append("no description change of the live view reached the bus")
        gaps = ["%.1f" % (b[0] - a[0]) for a, b in zip(told, told[1:])]
        measured.append("live view description changes heard: %d, seconds apart: %s" %
                        (len(told), ", ".join(gaps)))
        print("live view descriptions told: %s" % [t[4] for t in told])
        marks = ("Signal good", "Signal weak", "No signal")

        def mark_of(text):
            return next((m for m in marks if m in (text or "")), None)

        for before, after in zip(told, told[1:]):
            # Told sooner than every three seconds only for a new mark.
            if after[0] - before[0] < 2.5 and mark_of(before[4]) == mark_of(after[4]):
                failures.append("told %.1f s apart with the same mark: %r, %r" %
                                (after[0] - before[0], before[4], after[4]))
        measured.append("live view value changes heard: %d" %
                        len(heard_from(live_view, "accessible-value")))

        # Stop, so the run is stored, then choose it in the list by keyboard.
        stop = wait_for(lambda: named("Stop monitoring"), 2)
        if stop is not None:
            stop.queryAction().doAction(0)
            if wait_for(lambda: recording_state() == "Not recording", 2) is None:
                failures.append("recording state after the stop read as %r" % recording_state())
        records = named("Recordings of this mother")
        if records is None or not wait_for(lambda: records.childCount > 0, 8):
            raise Failed("no stored record in the list")
        # The list follows the live view in reading order.
        events.clear()
        press(display, window, "Tab", "Down")
        run_events(1000)
        item_names = {records.getChildAtIndex(i).name for i in range(records.childCount)}
        announced = [e[1].name for e in events if e[2] == "object:state-changed:focused"
                     and e[3] == 1 and e[1] is not None and e[1].name in item_names]
        measured.append("record list: focus events on items %s" % announced)
        if not announced:
            failures.append("choosing a record by keyboard announces no item: events %s" %
                            sorted({e[2] for e in events}))

        # The chart's cursor by keys, then its playback position.
        bars = [n for n, _ in walk(chart) if n.getRoleName() == "scroll bar"
                and n.getState().contains(pyatspi.STATE_SHOWING)]
        measured.append("chart scroll bars: %s" % [n.name for n in bars])
        if not bars:
            failures.append("the chart's scroll bar is not on the bus")
        try:
            chart_value = chart.queryValue()
        except NotImplementedError:
            chart_value = None
            failures.append("the chart has no value on the bus")
        events.clear()
        # The delete button stands between the list and the chart.
        press(display, window, "Tab", "Tab", "Right", "Right", "Right")
        run_events(800)
        if chart_value is not None:
            measured.append("chart cursor: value %s of %s..%s, description %r" %
                            (chart_value.currentValue, chart_value.minimumValue,
                             chart_value.maximumValue, description_of(chart)))
            if chart_value.currentValue != 2 or chart_value.maximumValue < 10:
                failures.append("the chart cursor reads %s of %s, not second 2" %
                                (chart_value.currentValue, chart_value.maximumValue))
        if "0:02" not in description_of(chart):
            failures.append("the chart cursor's time is not in its description: %r" %
                            description_of(chart))
        for kind in ("accessible-value", "accessible-description"):
            if len(heard_from(chart, kind)) < 3:
                failures.append("cursor moves told as %s: %d of 3" %
                                (kind, len(heard_from(chart, kind))))
        events.clear()
        press(display, window, "space")
        run_events(4000)
        playing = named("Stop playback") is not None
        position = description_of(chart)
        measured.append("while playing (%s): value %s, %r, %d value and %d description changes"
                        % (playing, value_of(chart), position,
                           len(heard_from(chart, "accessible-value")),
                           len(heard_from(chart, "accessible-description"))))
        if not playing or "Playback position" not in position or not (value_of(chart) or 0) >= 3:
            failures.append("the playback position is not read: %r, value %s" %
                            (position, value_of(chart)))
        if not heard_from(chart, "accessible-value"):
            failures.append("the playback position's change did not reach the bus")
        # Qt writes its warnings unbuffered.
        with open(os.path.join(folder, "marulo.log"), encoding="utf-8", errors="replace") as text:
            dropped = text.read().count("no ValueInterface")
        if dropped:
            failures.append("Qt dropped %d value changes (no ValueInterface)" % dropped)
    except Failed as error:
        failures.append(str(error))
    finally:
        for process in ([program] if program else []) + children[::-1]:
            if process.poll() is None:
                process.send_signal(signal.SIGKILL)
                process.wait()
        if failures:
            print("kept for looking into: %s" % folder)
        else:
            shutil.rmtree(folder, ignore_errors=True)
    for line in measured:
        print("MEASURED: " + line)
    for line in failures:
        print("FAILED: " + line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
