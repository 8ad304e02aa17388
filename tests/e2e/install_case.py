#!/usr/bin/env python3
"""Installs the build into a temporary prefix and starts the installed panel
in demo mode, with nothing pointing it at the build tree.

    install_case.py --build <build folder>
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

# The helper is imported from the source tree, which keeps no bytecode.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from panel_driver import (MAIN_WINDOW, E2EFailure, Panel, answer_first_question,  # noqa: E402
                          check, close_main_window, install_watchdog)

LIBRARIES = ["libsfpsim.so", "libvisa.so", "libqm6080.so", "libqm7240.so", "libqm6080fp.so",
             "libqm7240fp_panel.so", "libqm7240fp_trace.so"]
ICON_SIZES = [48, 128, 256]


def desktop_entry(path):
    """The desktop file's groups: its entry and its actions."""
    groups, current = {}, None
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
    check(lines[0] == "[Desktop Entry]", "desktop file starts with %r" % lines[0])
    for line in lines:
        if line.startswith("[") and line.endswith("]"):
            current = groups.setdefault(line[1:-1], {})
        else:
            key, _, value = line.partition("=")
            current[key] = value
    return groups


def run(build):
    prefix = tempfile.mkdtemp(prefix="sfp-install-")
    try:
        result = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                                capture_output=True, text=True, timeout=120)
        check(result.returncode == 0, "cmake --install failed:\n" + result.stdout + result.stderr)

        program = os.path.join(prefix, "bin", "qm7240fp")
        check(os.access(program, os.X_OK), "no installed program at " + program)
        libdir = None
        for name in LIBRARIES:
            found = [os.path.join(d, name) for d, _, files in os.walk(prefix) if name in files]
            check(len(found) == 1, "%s installed as %r" % (name, found))
            libdir = libdir or os.path.dirname(found[0])
            check(os.path.dirname(found[0]) == libdir, "libraries in two folders")
        # A private folder, off the library path, where the stand-in
        # libvisa.so cannot shadow a lab's own; no headers for it either.
        check(re.fullmatch(r"lib(/[^/]+)?/qm7240fp", os.path.relpath(libdir, prefix)) is not None,
              "libraries installed in " + libdir)
        check(not os.path.exists(os.path.join(prefix, "include")), "headers installed")
        for doc in ("share/doc/qm7240fp/copyright", "share/doc/qm7240fp/changelog.gz",
                    "share/man/man1/qm7240fp.1.gz",
                    "share/metainfo/com.marvane.qm7240fp.metainfo.xml",
                    "share/bash-completion/completions/qm7240fp"):
            check(os.path.isfile(os.path.join(prefix, doc)), "no " + doc)

        groups = desktop_entry(os.path.join(prefix, "share", "applications", "qm7240fp.desktop"))
        entry = groups["Desktop Entry"]
        check(entry.get("Type") == "Application" and entry.get("Exec") == "qm7240fp"
              and entry.get("Name") == "Vorilan 7240 Soft Front Panel"
              and entry.get("Actions") == "demo;auto-find;",
              "desktop entry: %r" % entry)
        actions = {name: (g.get("Name"), g.get("Exec")) for name, g in groups.items()
                   if name.startswith("Desktop Action ")}
        check(actions == {"Desktop Action demo": ("Run In Demo Mode", "qm7240fp --demo"),
                          "Desktop Action auto-find": ("Auto Find", "qm7240fp --auto-find")},
              "desktop actions: %r" % actions)
        for size in ICON_SIZES:
            icon = os.path.join(prefix, "share", "icons", "hicolor", "%dx%d" % (size, size),
                                "apps", entry.get("Icon", "") + ".png")
            check(os.path.isfile(icon), "no icon " + icon)
            with open(icon, "rb") as f:
                head = f.read(24)
            check(head[:8] == b"\x89PNG\r\n\x1a\n", icon + " is not a PNG")
            width, height = int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")
            check((width, height) == (size, size), "%s is %dx%d" % (icon, width, height))

        # The program and every library find their neighbours through RUNPATH,
        # not through the build tree or the environment.
        env = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
        ldd = subprocess.run(["ldd", program], capture_output=True, text=True, env=env,
                             timeout=60).stdout
        for name in LIBRARIES:
            m = re.search(r"^\s*%s => (\S+)" % re.escape(name), ldd, re.M)
            check(m is not None and os.path.realpath(m.group(1)) ==
                  os.path.realpath(os.path.join(libdir, name)),
                  "%s resolves to %s" % (name, m.group(1) if m else "nothing"))
        check("not found" not in ldd, "unresolved libraries:\n" + ldd)
        check(os.path.realpath(build) not in ldd, "the installed program uses the build tree")

        with Panel(program) as panel:
            answer_first_question(panel, "demo")
            main = panel.wait_window(MAIN_WINDOW)
            close_main_window(panel, main)
            check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)
    finally:
        shutil.rmtree(prefix, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    args = parser.parse_args()
    install_watchdog()
    try:
        run(args.build)
    except E2EFailure as failure:
        print("FAIL install: %s" % failure)
        return 1
    print("PASS install")
    return 0


if __name__ == "__main__":
    sys.exit(main())
