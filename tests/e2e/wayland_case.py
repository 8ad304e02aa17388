#!/usr/bin/env python3
"""The real qm7240fp on a Wayland desktop: a headless weston (the pixman
renderer) in a private XDG_RUNTIME_DIR, and the panel started the way such a
session starts it, with WAYLAND_DISPLAY and no DISPLAY. Weston's debug scene
graph shows the main window's title and size, which must be the size the
window has on X11 at the same resolution. A headless compositor has no
keyboard, so the test ends the panel itself.

The panel asks the toolkit for Wayland on its command line: a library in
front of the C library's setenv() and putenv() (envwatch.c) notes any
QT_QPA_PLATFORM it puts into its environment, and there must be none. With
the toolkit's platform plugins hidden (a private mount namespace), the panel
says in one line which package it needs, and ends with status 1.

    wayland_case.py --panel <qm7240fp> --envwatch <libsfp_envwatch.so>
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from owned import Owned, starting  # noqa: E402
from panel_driver import (MAIN_WINDOW, WINDOW_TIMEOUT, E2EFailure, Panel, SessionBus,  # noqa: E402
                          check, run_case)

SOCKET = "wayland-sfp"
# Weston's headless output, like the X server of the other cases; both at 96 dpi.
WIDTH, HEIGHT, DPI = 1280, 1024, 96
RUNS = [(["--demo"], MAIN_WINDOW),
        (["--address", "TCPIP::192.168.2.100::INSTR"], MAIN_WINDOW + ": lxi-carrier")]


class Weston:
    def __init__(self, workdir):
        self.runtime = os.path.join(workdir, "runtime")
        os.makedirs(self.runtime, mode=0o700)
        self.owned = Owned()
        starting(self.owned, lambda owned: self._start(owned, workdir))

    def _start(self, owned, workdir):
        self.log = owned.file(open(os.path.join(workdir, "weston.log"), "w"))
        self.bus = SessionBus(owned)
        self.proc = owned.popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "--socket=" + SOCKET,
             "--width=%d" % WIDTH, "--height=%d" % HEIGHT, "--idle-time=0", "--debug"],
            env=self.env(), stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 60
        while not os.path.exists(os.path.join(self.runtime, SOCKET)):
            check(self.proc.poll() is None and time.monotonic() < deadline,
                  "weston did not start (see weston.log)")
            time.sleep(0.1)

    def env(self, **extra):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "XDG_RUNTIME_DIR": self.runtime,
               "WAYLAND_DISPLAY": SOCKET, "LANG": "C.UTF-8",
               "DBUS_SESSION_BUS_ADDRESS": self.bus.address}
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"):
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
        self.owned.close()


def x11_size(binary, args, title):
    """The main window's size on X11, from the same run on Xvfb."""
    with Panel(binary, args=args, dpi=DPI) as panel:
        wid = panel.wait_window(title)
        geometry = panel.xdotool("getwindowgeometry", str(wid))
        m = re.search(r"Geometry: (\d+)x(\d+)", geometry)
        check(m is not None, "no geometry on X11: %r" % geometry)
        return int(m.group(1)), int(m.group(2))


def on_wayland(binary, weston, workdir, envwatch, args, title):
    profile = os.path.join(workdir, "profile")
    os.makedirs(profile, exist_ok=True)
    stderr_path = os.path.join(workdir, "stderr.txt")
    watched = os.path.join(workdir, "platform-in-environment.txt")
    # No DISPLAY, no QT_QPA_PLATFORM: only the Wayland session.
    env = weston.env(HOME=workdir, ALLUSERSPROFILE=profile, VISA_SIM_FILE="",
                     VISA_SIM_JOURNAL="", LD_PRELOAD=envwatch, SFP_ENVWATCH_FILE=watched)
    if "ASAN_OPTIONS" in env:
        # The sanitizer's runtime comes after the preloaded library.
        env["ASAN_OPTIONS"] += ":verify_asan_link_order=0"
    with Owned() as owned:
        with open(stderr_path, "wb") as err:
            proc = owned.popen([binary] + args, grace=30, env=env, stdout=subprocess.DEVNULL,
                               stderr=err, cwd=workdir)
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
        if os.path.exists(watched):
            with open(watched, encoding="utf-8", errors="replace") as f:
                raise E2EFailure("the panel put the platform into its environment: %r" % f.read())
        return weston.toplevels()[title]


def envwatch_works(envwatch, workdir):
    """The watch itself notes an assignment, so that its silence means something."""
    watched = os.path.join(workdir, "watch-check.txt")
    subprocess.run([sys.executable, "-c", "import os; os.putenv('QT_QPA_PLATFORM', 'xcb')"],
                   env=dict(os.environ, LD_PRELOAD=envwatch, SFP_ENVWATCH_FILE=watched),
                   check=True, timeout=60)
    check(os.path.exists(watched), "the environment watch noted nothing")


PLUGIN_LINE = re.compile(r"^qm7240fp: the panel would run on Wayland, but the toolkit's Wayland "
                         r"platform plugin is not installed; install the package "
                         r"(qtwayland5|qt6-wayland)\n$")


def without_plugins(binary, weston, workdir):
    """The panel on Wayland where the toolkit's platform plugins are hidden:
    one line naming the package, status 1."""
    empty = os.path.join(workdir, "no-plugins")
    os.makedirs(empty, exist_ok=True)
    hide = ('for d in /usr/lib/*/qt[56]/plugins/platforms; do [ -d "$d" ] && '
            'mount --bind "$0" "$d" || exit 99; done; exec "$@"')
    probe = subprocess.run(["unshare", "-rm", "sh", "-c", hide, empty, "true"],
                           capture_output=True, timeout=60)
    if probe.returncode != 0:
        print("missing plugin: not checked, no private mount namespace here (%s)"
              % probe.stderr.decode(errors="replace").strip())
        return
    result = subprocess.run(["unshare", "-rm", "sh", "-c", hide, empty, binary, "--demo"],
                            env=weston.env(HOME=workdir, VISA_SIM_FILE="", VISA_SIM_JOURNAL=""),
                            capture_output=True, text=True, timeout=120)
    check(result.returncode == 1 and PLUGIN_LINE.match(result.stderr),
          "without the Wayland plugin: status %d, said %r" % (result.returncode, result.stderr))
    print("without the Wayland plugin: %r" % result.stderr.strip())


def case_wayland(binary, envwatch):
    workdir = tempfile.mkdtemp(prefix="sfp-wayland-")
    envwatch_works(envwatch, workdir)
    weston = Weston(workdir)
    try:
        for args, title in RUNS:
            size = on_wayland(binary, weston, workdir, envwatch, args, title)
            want = x11_size(binary, args, title)
            check(size == want, "%s: %dx%d on Wayland, %dx%d on X11"
                  % (" ".join(args), size[0], size[1], want[0], want[1]))
            print("%s: %r %dx%d, as on X11" % (" ".join(args), title, size[0], size[1]))
        without_plugins(binary, weston, workdir)
    finally:
        weston.stop()
    shutil.rmtree(workdir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("--envwatch", required=True)
    args = parser.parse_args()
    return run_case("wayland", case_wayland, os.path.abspath(args.panel),
                    os.path.abspath(args.envwatch))


if __name__ == "__main__":
    sys.exit(main())
