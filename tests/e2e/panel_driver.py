"""Drives the real qm7240fp binary in its own X server, as a person at the
keyboard would, and reads back what it did to the simulated card.

Every run gets a private Xvfb (the server picks a free display itself through
-displayfd, so parallel tests never race for a number), a private temporary
folder for the descriptors file, the simulation file and the journal, and is
killed with its whole process group if it outlives its time.
"""

import json
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

from owned import Owned, end_group, starting

# Generous: the suite also runs under AddressSanitizer on a loaded 2-core machine.
WINDOW_TIMEOUT = float(os.environ.get("SFP_E2E_TIMEOUT", "90"))

# Titles, as the panel shows them. The message boxes carry two blanks: the
# model text between the words is empty in this program.
FIRST_QUESTION = "Vorilan 7240 SFP: Select Function Card"
WORKFLOW_BOX = FIRST_QUESTION
ADDRESS_DIALOG = "Vorilan 7240 SFP: Enter Function Card Address"
MAIN_WINDOW = "Vorilan 7240 Soft Front Panel"
ERROR_BOX = "Vorilan  SFP Error message"
WARNING_BOX = "Vorilan  SFP Warning message"
EXIT_QUESTION = "Vorilan  SFP"


class E2EFailure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise E2EFailure(message)


class Skip(Exception):
    """A case that cannot run here, and says why."""


SKIPPED = 77  # CTest's SKIP_RETURN_CODE for the cases that may skip


def run_case(label, case, *args):
    """Runs one case under the watchdog; prints PASS, FAIL or SKIP with its
    label and returns the exit status for CTest."""
    install_watchdog()
    try:
        case(*args)
    except E2EFailure as failure:
        print("FAIL %s: %s" % (label, failure))
        return 1
    except Skip as reason:
        print("SKIP %s: %s" % (label, reason))
        return SKIPPED
    print("PASS %s" % label)
    return 0


def install_watchdog(seconds=240):
    """Turns a hang, or CTest's termination, into a failure that still
    kills the panel and its X server on the way out."""
    def expire(signum, frame):
        raise E2EFailure("stopped by signal %d" % signum)
    signal.signal(signal.SIGALRM, expire)
    signal.signal(signal.SIGTERM, expire)
    signal.alarm(seconds)


class SessionBus:
    """The session bus the programs here talk to, as on a desktop: the one
    the environment names, else one of the run's own, which ends with what
    `owned` started. Without any, libdbus starts a daemon per program through
    dbus-launch, and nobody ends it."""

    def __init__(self, owned):
        self.address = os.environ.get("DBUS_SESSION_BUS_ADDRESS")
        if not self.address:
            proc = owned.popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            owned.file(proc.stdout)
            self.address = proc.stdout.readline().strip()
            check(self.address, "dbus-daemon did not start")


class XServer:
    """An Xvfb of the run's own, with a session bus: both end with stop(),
    or at once when either fails to start."""

    def __init__(self, dpi=None):
        self.owned = Owned()
        starting(self.owned, lambda owned: self._start(owned, dpi))

    def _start(self, owned, dpi):
        read_end, write_end = (owned.fd(fd) for fd in os.pipe())
        self.proc = owned.popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset"] + (["-dpi", str(dpi)] if dpi else []),
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        owned.close_fd(write_end)
        number = b""
        deadline = time.monotonic() + 60
        while not number.endswith(b"\n"):
            check(time.monotonic() < deadline and self.proc.poll() is None, "Xvfb did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        owned.close_fd(read_end)
        check(number.strip(), "Xvfb did not say its display")
        self.display = ":" + number.decode().strip()
        self.bus = SessionBus(owned)

    def bind_keys(self, text):
        """Gives every character of `text` that the keyboard lacks a key of
        its own, before the program starts. Otherwise xdotool binds a spare
        key for each such character and unbinds it straight after the
        keystroke, and a busy program reads the keyboard map only after it
        was unbound: the character arrives as something else."""
        wanted = sorted({ord(c) for c in text if ord(c) > 0x7e})
        if not wanted:
            return
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        sock.connect("/tmp/.X11-unix/X" + self.display[1:])
        try:
            sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
            head = self._read(sock, 8)
            check(head[0] == 1, "the X server refused the connection")
            setup = self._read(sock, struct.unpack("<H", head[6:8])[0] * 4)
            low, high = setup[26], setup[27]
            count = high - low + 1
            sock.sendall(struct.pack("<BxHBBxx", 101, 2, low, count))  # GetKeyboardMapping
            reply = self._reply(sock)
            per_key = reply[1]
            syms = struct.unpack("<%dI" % (count * per_key), reply[32:32 + 4 * count * per_key])
            free = [low + i for i in range(count)
                    if not any(syms[i * per_key:(i + 1) * per_key])]
            check(len(free) >= len(wanted), "no spare keys for %d characters" % len(wanted))
            for code, cp in zip(free, wanted):
                keysym = cp if cp < 0x100 else 0x01000000 | cp
                entry = [keysym, keysym] + [0] * (per_key - 2)
                sock.sendall(struct.pack("<BBHBBxx%dI" % per_key, 100, 1, 2 + per_key, code,
                                         per_key, *entry))  # ChangeKeyboardMapping
            sock.sendall(struct.pack("<BxH", 43, 1))  # GetInputFocus, to wait for the above
            self._reply(sock)
        finally:
            sock.close()

    @staticmethod
    def _read(sock, size):
        data = b""
        while len(data) < size:
            chunk = sock.recv(size - len(data))
            check(chunk, "the X server closed the connection")
            data += chunk
        return data

    def _reply(self, sock):
        while True:
            packet = self._read(sock, 32)
            check(packet[0] != 0, "X error %d" % packet[1])
            if packet[0] == 1:
                extra = struct.unpack("<I", packet[4:8])[0] * 4
                return packet + self._read(sock, extra)
            # an event (MappingNotify): skip it

    def stop(self):
        self.owned.close()


class Panel:
    """One run of the program. Use as a context manager."""

    # Set by --trace: every run also traces its calls, and a run that ends
    # well must have traced exactly what the stand-ins journalled.
    trace_calls = False

    def __init__(self, binary, sim_yaml=None, sim_file=None, profile=None, env_extra=None,
                 workdir=None, wrapper=None, typed="", args=(), dpi=None, xserver=None):
        self.binary = os.path.abspath(binary)
        self.workdir = workdir or tempfile.mkdtemp(prefix="sfp-e2e-")
        self.own_workdir = workdir is None
        self.profile = profile or os.path.join(self.workdir, "profile")
        os.makedirs(self.profile, exist_ok=True)
        self.journal_path = os.path.join(self.workdir, "journal.jsonl")
        self.sim_path = sim_file
        if sim_yaml is not None:
            self.sim_path = os.path.join(self.workdir, "system.yaml")
            with open(self.sim_path, "w", encoding="utf-8") as f:
                f.write(sim_yaml)
        self.env_extra = env_extra or {}
        self.wrapper = wrapper or []
        self.typed = typed  # every text the run will type, for the keyboard map
        self.args = list(args)
        self.dpi = dpi  # the X server's, where it matters; Xvfb's own otherwise
        self.shared_x = xserver  # an X server of the caller's, which it keeps
        self.trace_path = os.path.join(self.workdir, "trace.jsonl")
        if self.trace_calls:
            self.args += ["--trace", self.trace_path]
        self.x = None
        self.proc = None
        self.known = {}

    # --- life cycle ---------------------------------------------------------

    def __enter__(self):
        self.owned = Owned()
        starting(self.owned, self._start)
        return self

    def _start(self, owned):
        if self.shared_x is None:
            self.x = XServer(self.dpi)
            owned.then(self.x.stop)
        else:
            self.x = self.shared_x
        self.x.bind_keys(self.typed)
        runtime = os.path.join(self.workdir, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.chmod(runtime, 0o700)
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.workdir,
            "DISPLAY": self.x.display,
            "DBUS_SESSION_BUS_ADDRESS": self.x.bus.address,
            "QT_QPA_PLATFORM": "xcb",
            "XDG_RUNTIME_DIR": runtime,
            "ALLUSERSPROFILE": self.profile,
            "VISA_SIM_JOURNAL": self.journal_path,
            "VISA_SIM_FILE": self.sim_path or "",
            "LANG": "C.UTF-8",
        }
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        if "ASAN_OPTIONS" in env:
            # libxkbcommon-x11, loaded by the X platform plugin, copies atom
            # names with strndup() from buffers that are not terminated, which
            # is correct C but what strict_string_checks reports.
            env["ASAN_OPTIONS"] += ":strict_string_checks=0"
        env.update(self.env_extra)
        self.env = env
        self.stdout_path = os.path.join(self.workdir, "stdout.txt")
        self.stderr_path = os.path.join(self.workdir, "stderr.txt")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            # Killed, not asked: whatever it was doing, the run is over.
            self.proc = owned.popen(self.wrapper + [self.binary] + self.args, grace=0, env=env,
                                    stdout=out, stderr=err, cwd=self.workdir)

    def __exit__(self, kind, value, tb):
        failure = None
        if kind is None and self.trace_calls:
            try:
                self.compare_trace()
            except E2EFailure as found:
                failure, kind = found, E2EFailure
        try:
            # The panel ends first, so that what it wrote is all there.
            if self.proc is not None and self.proc.poll() is None:
                end_group(self.proc, grace=0)
            if kind is not None:
                sys.stderr.write("--- panel stderr ---\n" + self.stderr() + "\n")
                sys.stderr.write("--- windows ---\n%r\n" % (self.known,))
                sys.stderr.write("--- kept for a look: %s\n" % self.workdir)
        finally:
            self.owned.close()
        if self.own_workdir and kind is None:
            shutil.rmtree(self.workdir, ignore_errors=True)
        if failure is not None:
            raise failure
        return False

    def stderr(self):
        try:
            with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def wait_exit(self, timeout=WINDOW_TIMEOUT):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EFailure("the program did not end")

    # --- X windows ----------------------------------------------------------

    def xdotool(self, *args, check_status=True, timeout=60):
        result = subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": self.x.display},
                                capture_output=True, text=True, timeout=timeout)
        if check_status and result.returncode != 0:
            raise E2EFailure("xdotool %s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def visible_windows(self):
        out = self.xdotool("search", "--onlyvisible", "--name", ".", check_status=False)
        windows = {}
        for line in out.split():
            name = self.xdotool("getwindowname", line, check_status=False).rstrip("\n")
            windows[int(line)] = name
        self.known.update(windows)
        return windows

    def wait_window(self, title, exclude=(), timeout=WINDOW_TIMEOUT, prefix=False, only=None):
        """Waits for a shown window with exactly this title (or one that begins
        with it); returns its id. Window ids in `exclude` do not count (an
        earlier box of the same title); with `only`, just that window counts."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for wid, name in self.visible_windows().items():
                matches = name.startswith(title) if prefix else name == title
                if matches and wid not in exclude and only in (None, wid):
                    # Let the toolkit finish laying out and take focus.
                    time.sleep(0.3)
                    return wid
            if self.proc.poll() is not None:
                raise E2EFailure("the program ended (status %d) while waiting for %r"
                                 % (self.proc.returncode, title))
            time.sleep(0.1)
        raise E2EFailure("no window %r within %d s" % (title, timeout))

    def wait_gone(self, wid, timeout=WINDOW_TIMEOUT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if wid not in self.visible_windows() or self.proc.poll() is not None:
                return
            time.sleep(0.1)
        raise E2EFailure("window %d stayed open" % wid)

    def titles(self):
        return sorted(self.visible_windows().values())

    def keys(self, wid, *keys):
        """Focuses the window and presses the keys in order."""
        self.xdotool("windowfocus", "--sync", str(wid))
        for key in keys:
            self.xdotool("key", "--clearmodifiers", key)
            time.sleep(0.05)

    def type_text(self, wid, text):
        self.xdotool("windowfocus", "--sync", str(wid))
        self.xdotool("type", "--delay", "5", "--", text)

    def screenshot(self, wid, path):
        subprocess.run(["import", "-window", str(wid), path], check=True,
                       env={**os.environ, "DISPLAY": self.x.display}, timeout=60)

    # --- the journal ----------------------------------------------------------

    def journal(self):
        if not os.path.exists(self.journal_path):
            return []
        entries = []
        with open(self.journal_path, encoding="utf-8") as f:
            for line in f:
                if line.strip():
                    entries.append(json.loads(line))
        return entries

    def compare_trace(self):
        """The program's trace holds the journal's calls, one for one: names,
        threads, inputs, outputs and statuses, not times. The calls through
        the carrier context's access table are not exported functions and are
        left out of both."""
        untraced = ("qm6080_access", "qm6080_readControl", "qm6080_readConfiguration")

        def without_times(entries):
            return [{k: v for k, v in e.items() if k not in ("t_ms", "dur_ms")}
                    for e in entries if e.get("call") not in untraced]

        traced = []
        if os.path.exists(self.trace_path):
            with open(self.trace_path, encoding="utf-8") as f:
                traced = [json.loads(line) for line in f if line.strip()]
        journal, trace = without_times(self.journal()), without_times(traced)
        check(len(trace) > 0, "the trace is empty")
        for i, (j, t) in enumerate(zip(journal, trace)):
            check(j == t, "call %d: journal %r, trace %r" % (i, j, t))
        check(len(journal) == len(trace),
              "the journal holds %d calls, the trace %d" % (len(journal), len(trace)))

    def calls(self, name):
        return [e for e in self.journal() if e.get("call") == name]

    def wait_calls(self, name, count, timeout=WINDOW_TIMEOUT):
        """Waits until the journal holds at least `count` calls of `name`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.calls(name)
            if len(found) >= count:
                return found
            if self.proc.poll() is not None:
                break
            time.sleep(0.1)
        raise E2EFailure("journal holds %d %s calls, expected %d"
                         % (len(self.calls(name)), name, count))


# --- the panel's answers, as keystrokes --------------------------------------
# The first question's buttons: Auto Find (default), Run In Demo Mode,
# Enter Address, Cancel (also Escape). The box is shown again after "Try
# Again", and then the focus is still on the button chosen last time.
FIRST_QUESTION_BUTTONS = ["auto", "demo", "address", "cancel"]


def answer_first_question(panel, choice):
    # Boxes of the workflow share the first question's title, and a toolkit
    # may give a box shown again a new window: the question is told by its
    # state instead. Every box before it was answered and is gone, so the one
    # shown now is the question; once answered, it is waited out too.
    wid = panel.wait_window(FIRST_QUESTION)
    panel.first_question = wid
    if choice == "cancel":
        panel.keys(wid, "Escape")
        return wid
    focus = getattr(panel, "first_question_focus", 0)
    target = FIRST_QUESTION_BUTTONS.index(choice)
    panel.keys(wid, *(["Tab"] * ((target - focus) % len(FIRST_QUESTION_BUTTONS)) + ["Return"]))
    panel.first_question_focus = target
    panel.wait_gone(wid)
    return wid


def click(panel, wid, x, y):
    """Clicks at a point of the window; negative coordinates count from its
    right or bottom edge."""
    geometry = panel.xdotool("getwindowgeometry", str(wid))
    m = re.search(r"Geometry: (\d+)x(\d+)", geometry)
    check(m is not None, "no geometry for window %d" % wid)
    width, height = int(m.group(1)), int(m.group(2))
    x = width + x if x < 0 else x
    y = height + y if y < 0 else y
    panel.xdotool("mousemove", "--window", str(wid), str(x), str(y))
    panel.xdotool("click", "1")


# The frame's button column ends in "?", About and Close, anchored to the
# window's bottom right corner (buttons of 94 x 26 pixels).
def press_about_button(panel, main):
    click(panel, main, -56, -65)


def press_close_button(panel, main):
    click(panel, main, -56, -30)


def close_main_window(panel, main):
    """Close, then Yes (the exit question's first, focused button)."""
    press_close_button(panel, main)
    box = panel.wait_window(EXIT_QUESTION)
    panel.keys(box, "Return")


def qt_ini_unescape(text):
    """Reads one value of the toolkit's INI format back into the text it holds."""
    text = text.strip()
    out = []
    i = 0
    quoted = False
    while i < len(text):
        ch = text[i]
        if ch == '"':
            quoted = not quoted
            i += 1
            continue
        if ch == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            i += 2
            if nxt == "x":
                m = re.match(r"[0-9a-fA-F]+", text[i:])
                if m:
                    out.append(chr(int(m.group(0), 16)))
                    i += len(m.group(0))
                continue
            out.append({"n": "\n", "t": "\t", "r": "\r", "0": "\0", "a": "\a", "b": "\b",
                        "f": "\f", "v": "\v"}.get(nxt, nxt))
            continue
        out.append(ch)
        i += 1
    return "".join(out)


def read_ini(path):
    """Groups and keys of a descriptors file, values unescaped."""
    groups = {}
    current = groups.setdefault("General", {})
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\r\n")
            m = re.match(r"^\[(.*)\]$", line)
            if m:
                current = groups.setdefault(m.group(1), {})
                continue
            if "=" in line:
                key, value = line.split("=", 1)
                current[key.strip()] = qt_ini_unescape(value)
    return groups
