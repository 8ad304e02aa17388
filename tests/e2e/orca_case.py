#!/usr/bin/env python3
"""What a blind engineer hears: the real qm7240fp read aloud by Orca, Debian's
screen reader, checked by what Orca says, from the "SPEECH OUTPUT" lines of
its debug log.

Each run has a session bus of its own (dbus-run-session) with a private HOME,
XDG_RUNTIME_DIR and XDG_CONFIG_HOME; an Xvfb that keeps the accessibility bus
(-noreset); openbox; the accessibility bus; speech-dispatcher writing to ALSA's
null device (with its default output it hangs, and Orca with it); Orca with its
own preferences; then the panel. Orca's debug file is a terminal, which Python
writes line by line, so every line can be read as Orca says it.

    orca_case.py --panel <qm7240fp>
"""

import argparse
import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from owned import Owned, starting  # noqa: E402
from panel_driver import (ERROR_BOX, MAIN_WINDOW, E2EFailure, Panel, XServer,  # noqa: E402
                          check, run_case)

SPEECHD_CONF = """\
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
"""

SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)'\s*[\[{]", re.S)


class Orca:
    """Orca and what it needs, on the X server `x`; spoken() gives what it said."""

    def __init__(self, x, workdir):
        home = os.path.join(workdir, "home")
        config = os.path.join(home, ".config")
        runtime = os.path.join(workdir, "runtime")
        prefs = os.path.join(workdir, "orca-prefs")
        os.makedirs(os.path.join(config, "speech-dispatcher"))
        os.makedirs(runtime, mode=0o700)
        os.makedirs(prefs)
        with open(os.path.join(config, "speech-dispatcher", "speechd.conf"), "w") as f:
            f.write(SPEECHD_CONF)
        self.runtime = runtime
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
                        DISPLAY=x.display, DBUS_SESSION_BUS_ADDRESS=x.bus.address)
        self.log_path = os.path.join(workdir, "orca.log")
        self.log = []
        self.owned = Owned()
        starting(self.owned, lambda owned: self._start(owned, prefs))

    def _start(self, owned, prefs):
        # Last to end: what Orca said, kept for a look, and the speech server
        # that Orca starts detached, which would outlive the run.
        owned.then(self._save_log)
        owned.then(self._end_speech_server)
        quiet = {"env": self.env, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        owned.popen(["openbox"], **quiet)
        owned.popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **quiet)
        # The terminal's other end stays open here: with no one holding it,
        # reading would end before Orca opens it.
        self.master, self.slave = (owned.fd(fd) for fd in pty.openpty())
        threading.Thread(target=self._read, daemon=True).start()
        # Orca ignores SIGTERM; its log is read line by line as it comes.
        owned.popen(["orca", "--debug-file=" + os.ttyname(self.slave), "-u", prefs], grace=0,
                    **quiet)
        self.wait_said("Screen reader on", timeout=60)

    def _read(self):
        pending = b""
        while True:
            try:
                data = os.read(self.master, 65536)
            except OSError:
                return
            if not data:
                return
            pending += data
            *lines, pending = pending.split(b"\n")
            self.log.extend(line.decode("utf-8", "replace").rstrip("\r") for line in lines)

    def _end_speech_server(self):
        try:
            with open(os.path.join(self.runtime, "speech-dispatcher", "pid",
                                   "speech-dispatcher.pid")) as f:
                os.kill(int(f.read().split()[0]), 15)
        except (OSError, ValueError, IndexError):
            pass

    def _save_log(self):
        with open(self.log_path, "w", encoding="utf-8") as f:
            f.write("\n".join(self.log))

    def spoken(self, since=0):
        """What Orca said after the first `since` utterances, each on one line."""
        return [" ".join(m.group(1).split()) for m in SPEECH.finditer("\n".join(self.log))][since:]

    def mark(self):
        return len(self.spoken())

    def wait_said(self, pattern, since=0, timeout=20):
        """Waits until an utterance after `since` matches `pattern`; returns it."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for line in self.spoken(since):
                if re.search(pattern, line):
                    return line
            time.sleep(0.05)
        raise E2EFailure("Orca did not say %r; it said %r" % (pattern, self.spoken(since)))

    def wait_log(self, found, since, what, timeout=20):
        """Waits until found(line) holds for a line of the log from line
        `since` on, each line asked once and in order; returns its index."""
        deadline = time.monotonic() + timeout
        i = since
        while time.monotonic() < deadline:
            while i < len(self.log):
                if found(self.log[i]):
                    return i
                i += 1
            time.sleep(0.02)
        raise E2EFailure("Orca's log shows no %s; it said %r" % (what, self.spoken()[-5:]))

    def stop(self):
        self.owned.close()


def press(orca, name, spoken=True):
    """Presses a key and waits until Orca has it: a key of Orca's own (flat
    review) once its command has run and said what it says; a key for the
    program once Orca has its events and, when the key makes the program show
    something new, Orca's first words on it; a shortcut (ctrl+o) once Orca has
    its modifier. The next key never overtakes what Orca says of this one."""
    since = len(orca.log)
    subprocess.run(["xdotool", "key", "--clearmodifiers", name], env=orca.env, check=True,
                   timeout=30)
    *modifiers, key = name.split("+")
    if modifiers:
        # A shortcut's own key, and the releases, may never reach Orca when
        # the shortcut opens a window: its modifier tells that Orca has it,
        # and the caller waits for what the shortcut makes Orca say.
        modifier = {"ctrl": "Control_L", "alt": "Alt_L", "shift": "Shift_L"}[modifiers[0]]
        orca.wait_log(re.compile(r"\^\^\^\^\^ PROCESS ATSPI_KEY_PRESSED_EVENT: '%s'"
                                 % modifier).match, since, "key press of %s" % name)
        return
    # The press: a release, which a window opening or closing may take
    # from Orca, can come after the next key's press.
    key = re.escape(key)
    done = orca.wait_log(
        re.compile(r"\^\^\^\^\^ PROCESS ATSPI_KEY_PRESSED_EVENT: '%s'" % key).match,
        since, "key press of %s" % name)
    if any("- CONSUME:  True (Script indication)" in line for line in orca.log[since:done]):
        orca.wait_log(re.compile(r"\^\^\^\^\^ CONSUME ATSPI_KEY_PRESSED_EVENT: '%s'" % key).match,
                      done, "command of %s" % name)
        return
    if not spoken:
        return
    # Words outside the key's own echo: what the key brought.
    in_key = [False]

    def reaction(line):
        if "vvvvv PROCESS ATSPI_KEY" in line:
            in_key[0] = True
        elif "^^^^^ PROCESS ATSPI_KEY" in line:
            in_key[0] = False
        return not in_key[0] and "SPEECH OUTPUT:" in line

    orca.wait_log(reaction, done + 1, "words after %s" % name)


def keys(orca, *names, spoken=True):
    for name in names:
        press(orca, name, spoken)


def say_after(orca, pattern, *names, timeout=20):
    """Presses the keys, each once Orca has the one before, then waits for
    Orca to say `pattern`."""
    since = orca.mark()
    keys(orca, *names[:-1])
    press(orca, names[-1], spoken=False)
    return orca.wait_said(pattern, since, timeout)


def flat_review(orca, moves):
    """The lines flat review speaks going up `moves` lines from the focus's.
    Only KP_Home, whose Home does nothing harmful should Orca, slow under
    load, let the program have it: the keypad's Up would move the focus or
    step a value."""
    lines = []
    for _ in range(moves):
        since = orca.mark()
        press(orca, "KP_Home")
        lines += orca.spoken(since)
    return lines


def panel_env():
    return {"QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}


def connected(binary, orca, x):
    # The built-in system's VXI carrier: its DAC card's channel 6 is open.
    with Panel(binary, xserver=x, env_extra=panel_env(),
               args=["--address", "VXI0::2::INSTR"]) as panel:
        orca.wait_said(r"^Reset Device push button", timeout=60)

        # The About box: opened, read in flat review, closed with Return.
        since, logged = orca.mark(), len(orca.log)
        opened = say_after(orca, r"^About Vorilan 7240 Soft Front Panel dialog", "Tab", "Tab",
                           "space")
        check("Qt libraries version" in opened, "the About box's line of Qt: %r" % opened)
        # Flat review starts where the focus is: on OK, once Orca has it there,
        # and reads what Orca knows is shown: the box tells it of every row
        # as it opens, the serial number among the last.
        orca.wait_said(r"^OK push button", since)
        orca.wait_log(lambda line: "Dequeued object:children-changed:add" in line
                      and "00001a2b" in line, logged, "the serial number shown", timeout=30)
        reviewed = flat_review(orca, 8)
        check(any("Serial Number: 00001a2b" in line for line in reviewed),
              "flat review of the About box: %r" % reviewed)
        say_after(orca, r"^About push button", "Return")

        # A channel, a range with its value, and the value when it changes.
        say_after(orca, r"^Channel 1: 0\.000 spin button", "Tab", "Tab")
        say_after(orca, r"^Current Range: 0-24mA combo box", "Tab", "Tab", "Tab", "Tab")
        say_after(orca, r"^Current Range: 0-20mA combo box", "Down")
        panel.wait_calls("qm7240_setOutputRange", 3)

        # 5 mA into the open channel 6 lights its lamp, which Orca says where
        # the focus is, and flat review gives every lamp with its state.
        say_after(orca, r"^Channel 6: 0\.000 spin button", "Tab", "Tab")
        lit = say_after(orca, r"Channel 6 output error: lit", "5", timeout=30)
        check(lit.startswith("notification"), "the lamp was said as %r" % lit)
        # From channel 7's row, flat review goes up through channel 6's.
        say_after(orca, r"^Channel 7: 0\.000 spin button", "Tab")
        reviewed = flat_review(orca, 6)
        lamps = [m.group(0) for line in reviewed
                 for m in re.finditer(r"Channel \d+ output error(: [a-z ]+)?", line)]
        check(lamps and all(":" in lamp for lamp in lamps), "lamps in flat review: %r" % lamps)
        check("Channel 6 output error: lit" in lamps, "channel 6 in flat review: %r" % lamps)
        print("heard: %r, %r" % (opened, lit))


def demo(binary, orca, x):
    with Panel(binary, xserver=x, env_extra=panel_env(), args=["--demo"]) as panel:
        orca.wait_said(r"^Demo mode: no card is connected", timeout=60)
        orca.wait_said(r"^Reset Device push button")
        # Shift+F1 on a channel reads its What's This; the range of group 3,
        # read only, is said once, with its unit.
        say_after(orca, r"^Channel 1: 0\.000 spin button", "Tab", "Tab", "Tab", "Tab")
        say_after(orca, r"^tool tip Value to write to the DAC for channel 1\.", "shift+F1")
        press(orca, "Escape", spoken=False)
        # Tab by Tab to group 3's range, then one more as a mark: the range
        # was said once, before the mark.
        since = orca.mark()
        keys(orca, *(["Tab"] * 14))
        orca.wait_said(r"^-10-10V\.?$", since)
        keys(orca, "Tab")
        ranges = [line for line in orca.spoken(since) if "-10-10" in line]
        check(len(ranges) == 1, "group 3's range was said %r" % ranges)

        # A setup recalled: the confirmation says what will change, and its
        # default button, Cancel, leaves everything as it was.
        path = os.path.join(panel.workdir, "demo.setup")
        with open(path, "w", encoding="utf-8") as f:
            f.write("[setup]\nformat = 1\nmodel = 7240\n[group1]\nrange = 4-20mA\n"
                    "channel1 = 12.000 mA\n")
        say_after(orca, r"^Recall Setup dialog", "ctrl+o")
        subprocess.run(["xdotool", "type", "--delay", "5", "--", path], env=orca.env,
                       check=True, timeout=60)
        since = orca.mark()
        press(orca, "Return", spoken=False)
        orca.wait_said(r"^Cancel push button", since)
        told = " ".join(orca.spoken(since))
        for said in ("Recall Setup", "Put the setup", "Group 1 range: 0-24mA",
                     "Channel 1: 0.000 mA", "12.000 mA"):
            check(said in told, "the confirmation did not say %r: %r" % (said, told))
        press(orca, "Escape")
        check(panel.proc.poll() is None, "the panel ended")
        print("heard: %r" % told)


# The carrier's link is lost for a while, some seconds into the run: the
# status poll stops, and Resume Monitoring brings it back.
MONITORING_SYSTEM = """\
resources:
  - descriptor: "VXI0::5::INSTR"
    slot: 5
    logical_address: 5
    link:
      down: [{after_ms: %d, for_ms: %d, fails: conn_lost}]
    carrier:
      model: 6080
      cards:
        - {position: 1, model: 0x4C5E, open_circuit: [6]}
"""
LINK_DOWN_AT_MS, LINK_DOWN_FOR_MS = 8000, 3000


def monitoring(binary, orca, x):
    yaml = MONITORING_SYSTEM % (LINK_DOWN_AT_MS, LINK_DOWN_FOR_MS)
    with Panel(binary, xserver=x, env_extra=panel_env(), sim_yaml=yaml,
               args=["--address", "VXI0::5::INSTR"]) as panel:
        orca.wait_said(r"^Reset Device push button", timeout=60)
        # The poll meets the lost link: the lamps are said to be no longer
        # watched, wherever the focus is, before the box.
        since = orca.mark()
        box = panel.wait_window(ERROR_BOX, timeout=60)
        stopped = orca.wait_said(r"Output error lamps: not monitored", since, timeout=30)
        check(stopped.startswith("notification"), "the poll's stop was said as %r" % stopped)
        failed = panel.calls("qm7240_getDACStatus")[-1]
        seen_at = time.monotonic()
        # No, then once the link is back, by the journal's clock, Alt+R.
        say_after(orca, r"^No push button", "Tab")
        press(orca, "space")
        panel.wait_gone(box)
        while failed["t_ms"] + 1000 * (time.monotonic() - seen_at) < (
                LINK_DOWN_AT_MS + LINK_DOWN_FOR_MS + 300):
            time.sleep(0.1)
        resumed = say_after(orca, r"Output error lamps: monitored again", "alt+r", timeout=30)
        check(resumed.startswith("notification"), "the poll's return was said as %r" % resumed)
        print("heard: %r, %r" % (stopped, resumed))


SCENARIOS = {"connected": connected, "demo": demo, "monitoring": monitoring}


def scenario(binary, name):
    workdir = tempfile.mkdtemp(prefix="sfp-orca-")
    try:
        with Owned() as owned:
            x = XServer()
            owned.then(x.stop)
            orca = Orca(x, workdir)
            owned.then(orca.stop)
            SCENARIOS[name](binary, orca, x)
    except BaseException:
        sys.stderr.write("--- Orca's log kept in %s\n" % workdir)
        raise
    shutil.rmtree(workdir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("--scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    binary = os.path.abspath(args.panel)
    if args.scenario is None:
        # Each scenario in a session bus of its own; every one must pass, the
        # first time.
        failed = 0
        for name in SCENARIOS:
            started = time.monotonic()
            result = subprocess.run(["dbus-run-session", "--", sys.executable,
                                     os.path.abspath(__file__), "--panel", binary,
                                     "--scenario", name], timeout=600)
            print("orca %s: %.1f s" % (name, time.monotonic() - started))
            failed += result.returncode != 0
        return 1 if failed else 0
    return run_case("orca " + args.scenario, scenario, binary, args.scenario)


if __name__ == "__main__":
    sys.exit(main())
