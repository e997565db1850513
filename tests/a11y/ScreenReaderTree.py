#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Starts the built program on a virtual X server inside a private D-Bus session with the
accessibility bus, and reads its accessible tree the way a screen reader does, through the bus.

usage: ScreenReaderTree.py PROGRAM_DIR SYNTH

Asserts what a screen reader gets today: a name on every control, the live view, and the heart
rate read from it while monitoring. Prints, as MEASURED lines, what else reaches the bus.
Run it under dbus-run-session; exit status 0 passed, 1 failed, 77 skipped.
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
    if not os.path.exists(launcher) or not shutil.which("Xvfb"):
        print("SKIP: no accessibility bus launcher or Xvfb")
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
                        "--bpm-end", "140", "--turn-up", "1:3", "--lift", "5:4:silence"],
                       check=True, stdout=subprocess.DEVNULL)
        runtime = os.path.join(folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
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
            # The chart's scroll bars are measured below, not yet asserted.
            if role not in CONTAINER_ROLES | {"scroll bar"} and not (node.name or "").strip():
                unnamed.append(role)
        if unnamed:
            failures.append("controls without a name: %s" % ", ".join(unnamed))

        # The due-date calendar is closed: none of its days may be announced as on screen.
        days_showing = [n.name for n, _ in nodes
                        if n.getRoleName() == "table cell" and (n.name or "").isdigit()
                        and n.getState().contains(pyatspi.STATE_SHOWING)]
        if days_showing:
            failures.append("the closed calendar's days are showing: %s" % days_showing[:5])

        live = [n for n, _ in nodes if n.name == "Live heartbeat"]
        if not live:
            failures.append("no live view named 'Live heartbeat'")
        start = [n for n, _ in nodes if n.name == "Start monitoring"]
        if not start:
            failures.append("no 'Start monitoring' button")
        scroll = [n for n, _ in nodes if n.getRoleName() == "scroll bar"]
        measured.append("chart scroll bar named: %s" %
                        ([n.name for n in scroll] if scroll else "no scroll bar on the bus"))
        if live:
            focusable = live[0].getState().contains(pyatspi.STATE_FOCUSABLE)
            measured.append("live view focusable: %s" % focusable)

        if live and start:
            live_view = live[0]
            chart = next((n for n, _ in nodes if n.getRoleName() == "chart"), None)
            events = {"live": [], "chart": []}

            def heard(event):
                if event.source == live_view:
                    events["live"].append(event.type)
                elif chart is not None and event.source == chart:
                    events["chart"].append(event.type)

            for kind in ("object:property-change:accessible-value",
                         "object:property-change:accessible-name",
                         "object:property-change:accessible-description",
                         "object:value-changed", "object:text-changed"):
                pyatspi.Registry.registerEventListener(heard, kind)
            seen = set()
            numbers = []

            def look():
                numbers.append(value_of(live_view))
                for node, _ in walk(app):
                    if not node.getRoleName().startswith("table "):
                        seen.update(t for t in texts_of(node) if t)
                return True

            def run_events(milliseconds):
                GLib.timeout_add(milliseconds, pyatspi.Registry.stop)
                pyatspi.Registry.start()

            def recording_state():
                return next((n.name for n, _ in walk(app)
                             if n.name == "Not recording" or
                             (n.name or "").startswith("Recording, ")), None)

            if recording_state() != "Not recording":
                failures.append("idle recording state read as %r" % recording_state())
            start[0].queryAction().doAction(0)
            # The input is loud at first and then lifted off, so the window shows its mark,
            # hints and level warning while the rate settles.
            GLib.timeout_add(500, look)
            run_events(9000)
            # The elapsed time arrives in the state's name, at most every three seconds.
            during = recording_state() or ""
            measured.append("recording state after 9 s: %r" % during)
            elapsed = during[len("Recording, "):].split(":")
            if not (during.startswith("Recording, ") and len(elapsed) == 2
                    and 3 <= int(elapsed[0]) * 60 + int(elapsed[1]) <= 12):
                failures.append("recording state during a 9 s run read as %r" % during)
            number = value_of(live_view)
            print("live view values while monitoring: %s" % numbers)
            if not (number and 50 <= number <= 240) and not any(
                    n and 50 <= n <= 240 for n in numbers):
                failures.append("the live heart rate is not read: values %s" % numbers)
            measured.append("live view value changes heard: %d (%s)" %
                            (len(events["live"]), ", ".join(sorted(set(events["live"])))))
            everything = " | ".join(seen)
            for label, words in (("live mark ('Signal good/weak', 'No signal')",
                                  ("Signal good", "Signal weak", "No signal")),
                                 ("hints", ("Mother's pulse", "No heartbeat heard", "Talking",
                                            "half the baby", "Slow heartbeat")),
                                 ("'Too loud'", ("Too loud",)),
                                 ("input level", ("level", "Level"))):
                measured.append("%s on the bus: %s" % (label, any(w in everything for w in words)))

            # Stop, so the run is stored, then play it and listen to the chart's cursor.
            stop = wait_for(lambda: next((n for n, _ in walk(app)
                                          if n.name == "Stop monitoring"), None), 2)
            if stop is not None:
                stop.queryAction().doAction(0)
                if wait_for(lambda: recording_state() == "Not recording", 2) is None:
                    failures.append("recording state after the stop read as %r"
                                    % recording_state())
            records = next(n for n, _ in walk(app) if n.name == "Recordings of this mother")
            stored = wait_for(lambda: records.childCount > 0, 8)
            play = next((n for n, _ in walk(app) if n.name == "Play the recording"), None)
            if stored and play is not None and chart is not None:
                item = records.getChildAtIndex(0)
                try:
                    records.querySelection().selectChild(0)
                except NotImplementedError:
                    measured.append("record list: no selection on the bus; item %s %r, actions %s"
                                    % (item.getRoleName(), item.name, action_names(item)))
                    item.queryAction().doAction(0)
                run_events(1000)
                before = value_of(chart)
                events["chart"].clear()
                play.queryAction().doAction(0)
                run_events(3000)
                playing = any(n.name == "Stop playback" for n, _ in walk(app))
                measured.append("chart cursor while playing (playing: %s): value %s -> %s, "
                                "%d events (%s)" %
                                (playing, before, value_of(chart), len(events["chart"]),
                                 ", ".join(sorted(set(events["chart"])))))
            else:
                measured.append("chart cursor while playing: no stored record to play")
    except Failed as error:
        failures.append(str(error))
    finally:
        for process in ([program] if program else []) + children[::-1]:
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
