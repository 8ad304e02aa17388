#!/usr/bin/env python3
"""The real qm7240fp on a Wayland desktop: a headless weston (the pixman
renderer) in a private XDG_RUNTIME_DIR, and the panel started the way such a
session starts it, with WAYLAND_DISPLAY and no DISPLAY. Weston's debug scene
graph shows the main window's title and size, which must be the size the
window has on X11 at the same resolution. A headless compositor has no
keyboard, so the test ends the panel itself.

    wayland_case.py --panel <qm7240fp>
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from panel_driver import (MAIN_WINDOW, WINDOW_TIMEOUT, Panel, SessionBus, check,  # noqa: E402
                          run_case)

SOCKET = "wayland-sfp"
# Weston's headless output, like the X server of the other cases; both at 96 dpi.
WIDTH, HEIGHT, DPI = 1280, 1024, 96
RUNS = [(["--demo"], MAIN_WINDOW),
        (["--address", "TCPIP::192.168.2.100::INSTR"], MAIN_WINDOW + ": lxi-carrier")]


class Weston:
    def __init__(self, workdir):
        self.runtime = os.path.join(workdir, "runtime")
        os.makedirs(self.runtime, mode=0o700)
        self.log = open(os.path.join(workdir, "weston.log"), "w")
        self.bus = SessionBus()
        self.proc = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "--socket=" + SOCKET,
             "--width=%d" % WIDTH, "--height=%d" % HEIGHT, "--idle-time=0", "--debug"],
            env=self.env(), stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        deadline = time.monotonic() + 60
        while not os.path.exists(os.path.join(self.runtime, SOCKET)):
            check(self.proc.poll() is None and time.monotonic() < deadline,
                  "weston did not start (see weston.log)")
            time.sleep(0.1)

    def env(self, **extra):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "XDG_RUNTIME_DIR": self.runtime,
               "WAYLAND_DISPLAY": SOCKET, "LANG": "C.UTF-8",
               "DBUS_SESSION_BUS_ADDRESS": self.bus.address}
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        if "ASAN_OPTIONS" in env:
            # libxkbcommon, which the platform plugins load, copies names with
            # strndup() from buffers that are not terminated, as on X11.
            env["ASAN_OPTIONS"] += ":strict_string_checks=0"
        env.update(extra)
        return env

    def toplevels(self):
        """The top-level windows shown: {title: (width, height)} of their
        opaque part, the window without the decoration the toolkit draws."""
        out = subprocess.run(["weston-debug", "scene-graph"], env=self.env(),
                             capture_output=True, text=True, timeout=30).stdout
        shown = {}
        for m in re.finditer(r"top-level window '([^']*)'.*?\n\s*position: .*?\n"
                             r"\s*\[opaque: \((-?\d+), (-?\d+)\) -> \((-?\d+), (-?\d+)\)\]", out):
            x1, y1, x2, y2 = (int(v) for v in m.groups()[1:])
            shown[m.group(1)] = (x2 - x1, y2 - y1)
        return shown

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
        self.bus.stop()
        self.log.close()


def x11_size(binary, args, title):
    """The main window's size on X11, from the same run on Xvfb."""
    with Panel(binary, args=args, dpi=DPI) as panel:
        wid = panel.wait_window(title)
        geometry = panel.xdotool("getwindowgeometry", str(wid))
        m = re.search(r"Geometry: (\d+)x(\d+)", geometry)
        check(m is not None, "no geometry on X11: %r" % geometry)
        return int(m.group(1)), int(m.group(2))


def on_wayland(binary, weston, workdir, args, title):
    profile = os.path.join(workdir, "profile")
    os.makedirs(profile, exist_ok=True)
    stderr_path = os.path.join(workdir, "stderr.txt")
    with open(stderr_path, "wb") as err:
        # No DISPLAY, no QT_QPA_PLATFORM: only the Wayland session.
        proc = subprocess.Popen([binary] + args, env=weston.env(
            HOME=workdir, ALLUSERSPROFILE=profile, VISA_SIM_FILE="",
            VISA_SIM_JOURNAL=""), stdout=subprocess.DEVNULL, stderr=err, cwd=workdir,
            start_new_session=True)
    try:
        deadline = time.monotonic() + WINDOW_TIMEOUT
        shown = {}
        while title not in shown:
            check(proc.poll() is None, "the panel ended (status %r) before its window showed"
                  % proc.returncode)
            check(time.monotonic() < deadline, "no window %r on Wayland; shown: %r"
                  % (title, shown))
            time.sleep(0.3)
            shown = weston.toplevels()
        # Laid out and shown: still running, and nothing said on standard error.
        time.sleep(1.0)
        check(proc.poll() is None, "the panel ended with status %r" % proc.returncode)
        with open(stderr_path, encoding="utf-8", errors="replace") as f:
            said = f.read()
        check(said == "", "the panel wrote on standard error: %r" % said)
        return weston.toplevels()[title]
    finally:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait(30)


def case_wayland(binary):
    workdir = tempfile.mkdtemp(prefix="sfp-wayland-")
    weston = Weston(workdir)
    try:
        for args, title in RUNS:
            size = on_wayland(binary, weston, workdir, args, title)
            want = x11_size(binary, args, title)
            check(size == want, "%s: %dx%d on Wayland, %dx%d on X11"
                  % (" ".join(args), size[0], size[1], want[0], want[1]))
            print("%s: %r %dx%d, as on X11" % (" ".join(args), title, size[0], size[1]))
    finally:
        weston.stop()
    shutil.rmtree(workdir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    args = parser.parse_args()
    return run_case("wayland", case_wayland, os.path.abspath(args.panel))


if __name__ == "__main__":
    sys.exit(main())
