#!/usr/bin/env python3
"""Configures a system build against crafted VISA and driver prefixes, each
wrong in one way, and checks that the configure stops with one message that
names the file looked for, the folder and the variable to set.

    configure_cases.py --source <checkout> --build <simulated build folder>
"""

import argparse
import os
import platform
import shutil
import struct
import subprocess
import sys
import tempfile


def elf_header(machine):
    """The first 64 bytes of a 64-bit little-endian ELF shared object for
    another machine: all the configure reads before it refuses the file."""
    ident = b"\x7fELF" + bytes([2, 1, 1]) + bytes(9)
    return ident + struct.pack("<HHIQQQIHHHHHH", 3, machine, 1, 0, 64, 0, 0, 64, 56, 0, 64, 0, 0)


def make_prefixes(root, build):
    good = os.path.join(root, "good")
    result = subprocess.run(["cmake", "--install", build, "--component", "stand-ins",
                             "--prefix", good], capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        sys.exit("installing the stand-ins failed:\n" + result.stdout + result.stderr)

    header_only = os.path.join(root, "header-only")
    os.makedirs(os.path.join(header_only, "lib"))
    shutil.copytree(os.path.join(good, "include"), os.path.join(header_only, "include"))

    # AArch64 on any other machine, x86-64 on AArch64.
    other = 62 if platform.machine() in ("aarch64", "arm64") else 183
    other_name = "x86-64" if other == 62 else "AArch64"
    for name, content in (("wrong-arch", elf_header(other)), ("not-a-library", b"not a library\n")):
        prefix = os.path.join(root, name)
        shutil.copytree(good, prefix, symlinks=True)
        with open(os.path.join(prefix, "lib", "libqm7240.so"), "wb") as f:
            f.write(content)
    # Two vendors on one machine: NI's header without its library, and a
    # complete Keysight installation. The pair must come from Keysight.
    sysroot = os.path.join(root, "two-vendors")
    ni = os.path.join(sysroot, "usr", "include", "ni-visa")
    keysight = os.path.join(sysroot, "opt", "keysight", "iolibs")
    os.makedirs(ni)
    os.makedirs(os.path.join(keysight, "include"))
    os.makedirs(os.path.join(sysroot, "usr", "lib"))
    shutil.copy(os.path.join(good, "include", "visa.h"), ni)
    shutil.copy(os.path.join(good, "include", "visa.h"), os.path.join(keysight, "include"))
    copy_visa(good, keysight, "libktvisa32.so")
    # NI's header beside a libvisa.so of another installation (/usr/local).
    ni_local = os.path.join(root, "ni-and-local")
    os.makedirs(os.path.join(ni_local, "usr", "include", "ni-visa"))
    shutil.copy(os.path.join(good, "include", "visa.h"),
                os.path.join(ni_local, "usr", "include", "ni-visa"))
    copy_visa(good, os.path.join(ni_local, "usr", "local", "lib"), "libvisa.so")
    # A complete R&S installation, for a second search root.
    rs = os.path.join(root, "rs")
    os.makedirs(os.path.join(rs, "usr", "include", "rsvisa"))
    shutil.copy(os.path.join(good, "include", "visa.h"), os.path.join(rs, "usr", "include", "rsvisa"))
    copy_visa(good, os.path.join(rs, "usr", "lib"), "librsvisa.so")
    return good, header_only, other_name, sysroot, ni_local, rs


def copy_visa(good, folder, name):
    """The stand-in VISA as a vendor's library `name` in `folder`, with the
    simulator it needs beside it."""
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(good, "lib", "libvisa.so"), os.path.join(folder, name))
    for lib in os.listdir(os.path.join(good, "lib")):
        if lib.startswith("libsfpsim"):
            shutil.copy(os.path.join(good, "lib", lib), folder)


def run(source, build):
    root = tempfile.mkdtemp(prefix="sfp-configure-")
    failures = []
    try:
        good, header_only, other_name, sysroot, ni_local, rs = make_prefixes(root, build)
        missing = os.path.join(root, "nothing")
        keysight = sysroot + "/opt/keysight/iolibs"
        drivers = "-DQM_DRIVERS_ROOT=" + good
        cases = [
            # name, -D arguments, environment, what the message must say, and
            # the -D arguments of an earlier configure in the same folder; a
            # name ending in "+" must configure and say it on standard output.
            ("two vendors: one implementation's pair +",
             ["-DVISA_SEARCH_ROOT=" + sysroot, drivers], {},
             ["VISA: Keysight IO Libraries (" + keysight + "/include/visa.h, "
              + keysight + "/libktvisa32.so)"]),
            ("a library by hand takes its vendor's header +",
             ["-DVISA_LIBRARY=" + keysight + "/libktvisa32.so", drivers], {},
             ["VISA: Keysight IO Libraries, given by hand (" + keysight + "/include/visa.h"]),
            ("a header by hand takes no other vendor's library",
             ["-DVISA_INCLUDE_DIR=" + sysroot + "/usr/include/ni-visa", drivers], {},
             ["belongs to NI-VISA; its library (libvisa.so) is not where NI-VISA puts it",
              sysroot + "/usr/lib", "Set VISA_LIBRARY"]),
            ("NI's header takes no libvisa.so of /usr/local",
             ["-DVISA_SEARCH_ROOT=" + ni_local, drivers], {},
             ["NI-VISA: its header is there, no library", "Set VISA_ROOT"]),
            ("another search root searches again +",
             ["-DVISA_SEARCH_ROOT=" + rs, drivers], {},
             ["VISA: R&S VISA (" + rs + "/usr/include/rsvisa/visa.h, "
              + rs + "/usr/lib/librsvisa.so)"],
             ["-DVISA_SEARCH_ROOT=" + sysroot, drivers]),
            ("no gzip: the configure goes on without packaging +",
             ["-DVISA_ROOT=" + good, "-DQM_DRIVERS_ROOT=" + good, "-DSFP_GZIP=" + missing],
             {}, ["No Debian package from this build folder", "it lacks gzip."]),
            ("hint names nothing", ["-DVISA_ROOT=" + missing], {},
             ["VISA_ROOT names " + missing, "not a folder", "the CMake variable VISA_ROOT"]),
            ("header without library, hint from the environment", [], {"VISA_ROOT": header_only},
             ["libvisa.so", header_only + "/lib", header_only + "/lib64",
              header_only + "/include/visa.h", "Set VISA_ROOT"]),
            ("library of another architecture", ["-DVISA_ROOT=" + good,
                                                 "-DQM_DRIVERS_ROOT=" + root + "/wrong-arch"], {},
             [root + "/wrong-arch/lib/libqm7240.so is a 64-bit " + other_name + " library",
              "set QM_DRIVERS_ROOT"]),
            ("file that is no library", ["-DVISA_ROOT=" + good,
                                         "-DQM_DRIVERS_ROOT=" + root + "/not-a-library"], {},
             ["qm7240.h and calls qm7240_init() cannot be built",
              root + "/not-a-library/lib/libqm7240.so", "Set QM_DRIVERS_ROOT"]),
        ]
        env_base = {k: v for k, v in os.environ.items()
                    if k not in ("VISA_ROOT", "QM_DRIVERS_ROOT")}
        for i, (name, args, env, wanted, *earlier) in enumerate(cases):
            folder = os.path.join(root, "build%d" % i)
            problems = []
            for first in earlier:
                if subprocess.run(["cmake", "-S", source, "-B", folder, "-DSFP_PLATFORM=system",
                                   *first], env=env_base, capture_output=True,
                                  timeout=240).returncode != 0:
                    problems.append("the earlier configure stopped")
            result = subprocess.run(
                ["cmake", "-S", source, "-B", folder, "-DSFP_PLATFORM=system", *args],
                env={**env_base, **env}, capture_output=True, text=True, timeout=240)
            # CMake wraps long lines: compare the words, not the line breaks.
            if name.endswith("+"):
                said = " ".join((result.stdout + result.stderr).split())
                if result.returncode != 0:
                    problems.append("the configure stopped")
            else:
                said = " ".join(result.stderr.split())
                if result.returncode == 0:
                    problems.append("the configure went on")
                if result.stderr.count("CMake Error") != 1:
                    problems.append("%d errors, not one" % result.stderr.count("CMake Error"))
            problems += ["no %r" % w for w in wanted if " ".join(w.split()) not in said]
            if problems:
                failures.append("%s: %s\n%s" % (name, "; ".join(problems), result.stderr))
            else:
                print("PASS %s" % name)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    args = parser.parse_args()
    return run(args.source, args.build)


if __name__ == "__main__":
    sys.exit(main())
