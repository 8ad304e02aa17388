#!/usr/bin/env python3
"""The whole-program harness ends everything it started, whatever fails:
each start of each kind of run (an X server with its bus, Weston with its
bus, Orca with its window manager and accessibility bus, the panel in its
X server) is made to fail in turn, and then ps must show no process of the
run, and the harness must hold no more descriptors than before.

    owned_case.py --panel <qm7240fp>
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import owned as owned_module  # noqa: E402
from owned import Owned, StartFailed  # noqa: E402
from panel_driver import Panel, XServer, check, run_case  # noqa: E402

# Every process the harness starts, by pid; each leads a session of its own.
started = []
_popen = Owned.popen


def recording_popen(self, args, grace=10, **kwargs):
    proc = _popen(self, args, grace, **kwargs)
    started.append(proc.pid)
    return proc


Owned.popen = recording_popen


# The runtime folders of the runs: Orca's speech server, which it starts in a
# session of its own, is told by its XDG_RUNTIME_DIR.
folders = []


def ours(pid):
    try:
        with open("/proc/%s/environ" % pid, "rb") as f:
            env = f.read().split(b"\0")
    except OSError:
        return False
    return any(b"XDG_RUNTIME_DIR=" + folder.encode() in env for folder in folders)


def left_over(settle=5.0):
    """The processes of the sessions the harness started that ps still
    shows alive, and the speech servers of its runs. A process killed a
    moment ago may take that moment to go: it gets `settle` seconds."""
    deadline = time.monotonic() + settle
    while True:
        out = subprocess.run(["ps", "-eo", "pid=,sid=,stat=,comm="], capture_output=True,
                             text=True, check=True).stdout
        left = []
        for line in out.splitlines():
            pid, sid, stat, comm = line.split(None, 3)
            if stat.startswith("Z"):
                continue  # dead, waiting for its parent to note it
            if int(sid) in started or (comm.startswith("speech-dispatch") and ours(pid)):
                left.append(line.strip())
        if not left or time.monotonic() > deadline:
            return left
        time.sleep(0.1)


def descriptors():
    return sorted(os.listdir("/proc/self/fd"))


def x_server():
    return XServer()


def workdir():
    folder = tempfile.mkdtemp(prefix="sfp-owned-")
    folders.append(os.path.join(folder, "runtime"))
    return folder


def weston():
    from wayland_case import Weston
    return Weston(workdir())


class OrcaRun:
    """Orca on an X server of its own, as the Orca case runs it."""

    def __init__(self):
        from orca_case import Orca
        self.x = XServer()
        try:
            self.orca = Orca(self.x, workdir())
        except BaseException:
            self.x.stop()
            raise

    def stop(self):
        self.orca.stop()
        self.x.stop()


class PanelRun:
    def __init__(self, binary):
        self.panel = Panel(binary, args=["--demo"]).__enter__()

    def stop(self):
        self.panel.__exit__(None, None, None)


def check_kind(name, start):
    fds = descriptors()
    first = Owned.starts
    start().stop()
    count = Owned.starts - first
    check(count > 0, "%s started nothing" % name)
    left = left_over()
    check(not left, "%s left %r" % (name, left))
    for k in range(count):
        Owned.fail_at = Owned.starts + k
        try:
            run = start()
        except StartFailed:
            pass
        else:
            run.stop()
            check(False, "%s: start %d did not fail" % (name, k))
        finally:
            Owned.fail_at = -1
        left = left_over()
        check(not left, "%s, start %d failed: left %r" % (name, k, left))
        check(descriptors() == fds, "%s, start %d failed: descriptors %r, before %r"
              % (name, k, descriptors(), fds))
    print("%s: %d starts, each made to fail once; nothing left" % (name, count))


def case_owned(binary):
    owned_module.Owned.fail_at = -1
    # The harness's own bus, not one the environment names, so that its start counts.
    os.environ.pop("DBUS_SESSION_BUS_ADDRESS", None)
    left = left_over(settle=0)
    check(not left, "processes left before the test: %r" % left)
    check_kind("X server", x_server)
    check_kind("Weston", weston)
    check_kind("Orca", OrcaRun)
    check_kind("panel", lambda: PanelRun(binary))
    for folder in folders:
        shutil.rmtree(os.path.dirname(folder), ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    args = parser.parse_args()
    return run_case("owned", case_owned, os.path.abspath(args.panel))


if __name__ == "__main__":
    sys.exit(main())
