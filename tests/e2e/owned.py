"""What one whole-program run starts, owned in one place: the processes (X
server, Weston, session buses, window manager, Orca, the panel), the
descriptors and files, and any other end (a daemon known by its pid file).
They end in the reverse order of their start, each whatever the others do,
and at once when a later start fails: nothing outlives a run.
"""

import contextlib
import os
import signal
import subprocess


class StartFailed(Exception):
    """A start the test made fail on purpose (SFP_E2E_FAIL_START)."""


def end_group(proc, grace=10):
    """Ends a process started in a session of its own, with everything it
    started there: SIGTERM, then SIGKILL for whatever is left."""
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            pass
        except ProcessLookupError:
            pass
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    proc.wait()


class Owned:
    """The ends of one run's starts. Use as a context manager, or close()."""

    # For the test of the test harness: the start with this number (counted
    # from 0 over the whole test process) fails, as a program that does not
    # come up would.
    starts = 0
    fail_at = int(os.environ.get("SFP_E2E_FAIL_START", "-1"))

    def __init__(self):
        self._stack = contextlib.ExitStack()
        self._fds = set()

    def _starting(self, what):
        number = Owned.starts
        Owned.starts += 1
        if number == Owned.fail_at:
            raise StartFailed("start %d (%s) failed on purpose" % (number, what))

    def popen(self, args, grace=10, **kwargs):
        """Starts a program in a session of its own; it ends with the run."""
        self._starting(args[0])
        proc = subprocess.Popen(args, start_new_session=True, **kwargs)
        self._stack.callback(end_group, proc, grace)
        return proc

    def fd(self, fd):
        """A descriptor that closes with the run, unless close_fd() closed it first."""
        self._fds.add(fd)
        self._stack.callback(self.close_fd, fd)
        return fd

    def close_fd(self, fd):
        if fd in self._fds:
            self._fds.discard(fd)
            os.close(fd)

    def file(self, f):
        self._stack.callback(f.close)
        return f

    def then(self, end, *args):
        """Any other end, run at the run's end in its place."""
        self._stack.callback(end, *args)

    def close(self):
        self._stack.close()

    def __enter__(self):
        return self

    def __exit__(self, kind, value, tb):
        self.close()
        return False


def starting(owned, start):
    """Runs `start(owned)`; if it fails, what it started so far ends before
    the failure goes on."""
    try:
        return start(owned)
    except BaseException:
        owned.close()
        raise
