#!/usr/bin/env python3
"""Whole-program runs on damaged input: a damaged descriptors file, damaged
simulation files, and awkward descriptors typed into the address dialog.
Each run must end normally (status 0), say so where the user has to know,
and keep the descriptors the user stored before.

    bad_input_cases.py --panel <qm7240fp> <case>
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

# The helper is imported from the source tree, which keeps no bytecode.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from panel_driver import (ADDRESS_DIALOG, MAIN_WINDOW, WARNING_BOX, WORKFLOW_BOX,  # noqa: E402
                          Panel, Skip, answer_first_question, check,
                          close_main_window, read_ini, run_case)

CARRIER = "TCPIP0::192.168.2.100::INSTR"  # the built-in system's LXI carrier, DAC card in FC 1

# What a user has stored before: three descriptors of the DAC card and the
# entry of another card model, which no run of this panel may lose.
STORED = """\
[7240]
1.1.Descriptor=%s
1.2.Descriptor=VXI0::2::INSTR
1.3.Descriptor=TCPIP0::10.0.0.9::INSTR
1.4.Descriptor=
1.5.Descriptor=
1.FC_Number=1
FC_Count=1

[8152]
1.1.Descriptor=VXI0::7::INSTR
1.FC_Number=2
FC_Count=3
""" % CARRIER

OTHER_MODEL = {"1.1.Descriptor": "VXI0::7::INSTR", "1.FC_Number": "2", "FC_Count": "3"}
HISTORY = [CARRIER, "VXI0::2::INSTR", "TCPIP0::10.0.0.9::INSTR"]


def ini_path(panel):
    return os.path.join(panel.profile, "Marvane", "DefaultInstrDescr.ini")


def write_ini(profile, data):
    folder = os.path.join(profile, "Marvane")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "DefaultInstrDescr.ini"), "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)


def stored_history(groups):
    entry = groups.get("7240", {})
    return [entry.get("1.%d.Descriptor" % t, "") for t in range(1, 6)]


def check_kept(panel, history):
    groups = read_ini(ini_path(panel))
    check(stored_history(groups) == history + [""] * (5 - len(history)),
          "stored history %r, expected %r" % (stored_history(groups), history))
    check(groups.get("8152") == OTHER_MODEL,
          "the other model's entry became %r" % groups.get("8152"))
    return groups


def open_address_dialog(panel):
    answer_first_question(panel, "address")
    return panel.wait_window(ADDRESS_DIALOG)


def ok(panel, dialog):
    # The descriptor has the focus when the dialog opens; then the card
    # number, then OK.
    panel.keys(dialog, "Tab", "Tab", "space")


def ok_after_typing(panel, dialog):
    # From the descriptor: the card number, then OK.
    panel.keys(dialog, "Tab", "Tab", "space")


def pick_fc1_and_ok(panel, dialog):
    # From the descriptor: the card number ("Select" -> "FC 1"), OK.
    panel.keys(dialog, "Tab", "Down", "Tab", "space")


def connected_then_close(panel, rsrc, fc=1):
    main = panel.wait_window(MAIN_WINDOW, prefix=True)
    inits = panel.calls("qm7240_init")
    check(len(inits) == 1 and inits[0]["rsrc"] == rsrc and inits[0]["fc"] == fc
          and inits[0]["status"] == 0, "qm7240_init calls: %r" % inits)
    close_main_window(panel, main)
    status = panel.wait_exit()
    check(status == 0, "exit status %d" % status)


def clean_exit(panel):
    status = panel.wait_exit()
    check(status == 0, "exit status %d" % status)
    check("AddressSanitizer" not in panel.stderr() and "runtime error" not in panel.stderr(),
          "sanitizer report:\n" + panel.stderr())


# --- the descriptors file ---------------------------------------------------

def case_ini_binary(binary):
    rng = random.Random(7240)
    junk = bytes(rng.randrange(256) for _ in range(8192))
    with Panel(binary) as panel:
        write_ini(panel.profile, junk + b"\n" + STORED.encode())
        dialog = open_address_dialog(panel)
        ok(panel, dialog)
        connected_then_close(panel, CARRIER)
        clean_exit(panel)
        check_kept(panel, HISTORY)


def case_ini_10mb_text(binary):
    filler = "".join("filler%07d=%s\n" % (i, "lorem ipsum dolor sit amet " * 3)
                     for i in range(120000))
    check(len(filler) > 10 * 1000 * 1000, "filler of %d bytes" % len(filler))
    # The filler sits inside the card's own group, and one history entry is
    # itself a megabyte long.
    huge = "TCPIP0::" + "h" * (1024 * 1024) + "::INSTR"
    text = STORED.replace("1.4.Descriptor=\n", "1.4.Descriptor=%s\n%s" % (huge, filler))
    with Panel(binary) as panel:
        write_ini(panel.profile, text)
        dialog = open_address_dialog(panel)
        ok(panel, dialog)
        connected_then_close(panel, CARRIER)
        clean_exit(panel)
        groups = check_kept(panel, HISTORY + [huge])
        check(not any(k.startswith("filler") for k in groups["7240"]),
              "the damaged lines outlived the save")


def case_ini_huge_numbers(binary):
    text = STORED.replace("1.FC_Number=1", "1.FC_Number=99999999999999999999999").replace(
        "FC_Count=1\n", "FC_Count=-9223372036854775809\n99999999999999999999.1.Descriptor=x\n"
        "1.99999999999999999999.Descriptor=y\n", 1)
    with Panel(binary) as panel:
        write_ini(panel.profile, text)
        dialog = open_address_dialog(panel)
        # The damaged card number reads as "Select": OK is refused with a warning.
        ok(panel, dialog)
        warning = panel.wait_window(WARNING_BOX)
        check(panel.calls("qm7240_init") == [], "opened without a card number")
        panel.keys(warning, "Return")
        dialog = panel.wait_window(ADDRESS_DIALOG)
        pick_fc1_and_ok(panel, dialog)
        connected_then_close(panel, CARRIER)
        clean_exit(panel)
        groups = check_kept(panel, HISTORY)
        check(groups["7240"].get("1.FC_Number") == "1" and groups["7240"].get("FC_Count") == "1",
              "stored numbers: %r" % groups["7240"])


def case_ini_folder(binary):
    with Panel(binary) as panel:
        folder = ini_path(panel)
        os.makedirs(folder)
        with open(os.path.join(folder, "notes.txt"), "w") as f:
            f.write("kept\n")
        dialog = open_address_dialog(panel)
        # Nothing can be read: the default descriptor, no card number.
        pick_fc1_and_ok(panel, dialog)
        connected_then_close(panel, "TCPIP::192.168.2.100::INSTR")
        clean_exit(panel)
        check(os.path.isdir(folder), "the folder was replaced")
        with open(os.path.join(folder, "notes.txt")) as f:
            check(f.read() == "kept\n", "the folder's contents changed")


def case_ini_read_only(binary):
    workdir = tempfile.mkdtemp(prefix="sfp-e2e-ro-")
    os.chmod(workdir, 0o755)
    wrapper = []
    if os.geteuid() == 0:
        # Root writes through any permission bits; the panel runs as an
        # ordinary user instead, for whom the file really is read-only.
        wrapper = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        reachable = subprocess.run(wrapper + ["sh", "-c", 'test -r "$1" && test -x "$1"', "-",
                                              binary]).returncode == 0
        if not reachable:
            shutil.rmtree(workdir, ignore_errors=True)
            raise Skip("running as root, and the unprivileged user that makes the file "
                       "read-only cannot reach %s" % binary)
    try:
        with Panel(binary, workdir=workdir, wrapper=wrapper) as panel:
            write_ini(panel.profile, STORED)
            folder = os.path.dirname(ini_path(panel))
            os.chmod(ini_path(panel), 0o444)
            os.chmod(folder, 0o555)
            if wrapper:
                for path in (workdir, os.path.join(workdir, "runtime")):
                    os.chown(path, 65534, 65534)
                open(panel.journal_path, "w").close()
                os.chmod(panel.journal_path, 0o666)
            with open(ini_path(panel), "rb") as f:
                before = f.read()
            dialog = open_address_dialog(panel)
            # The stored descriptor and card number are there to use.
            ok(panel, dialog)
            connected_then_close(panel, CARRIER)
            clean_exit(panel)
            with open(ini_path(panel), "rb") as f:
                check(f.read() == before, "the read-only file changed")
            leftovers = sorted(os.listdir(folder))
            check(leftovers == ["DefaultInstrDescr.ini"], "files beside it: %r" % leftovers)
    finally:
        for root, dirs, _ in os.walk(workdir):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(workdir, ignore_errors=True)


# --- the simulation file ----------------------------------------------------

GOOD_RESOURCE = """\
resources:
  - descriptor: "VXI0::5::INSTR"
    slot: 5
    carrier:
      model: 6080
      cards:
        - position: 1
          model: 0x4C5E
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]
"""

# One file per kind of mistake, with the line the message must name.
SIM_MISTAKES = {
    "syntax": (GOOD_RESOURCE.replace("    slot: 5", "   slot: 5"), 3),
    "unknown_key": (GOOD_RESOURCE.replace("    slot: 5\n", "    slot: 5\n    colour: red\n"), 4),
    "wrong_type": (GOOD_RESOURCE.replace("slot: 5", "slot: five"), 3),
    "out_of_range": (GOOD_RESOURCE.replace("position: 1", "position: 99"), 7),
    "missing_descriptor": (GOOD_RESOURCE.replace("  - descriptor: \"VXI0::5::INSTR\"\n    slot",
                                                 "  - slot"), 2),
    "duplicate_descriptor": (GOOD_RESOURCE + GOOD_RESOURCE[len("resources:\n"):], 10),
    "no_resources": ("# nothing here\n", 1),
    "binary": (None, None),
    "missing_file": (None, None),
    "folder": (None, None),
}


def sim_case(binary, kind):
    text, line = SIM_MISTAKES[kind]
    workdir = tempfile.mkdtemp(prefix="sfp-e2e-sim-")
    path = os.path.join(workdir, "system.yaml")
    if kind == "binary":
        with open(path, "wb") as f:
            f.write(bytes(random.Random(6080).randrange(256) for _ in range(4096)))
    elif kind == "folder":
        os.makedirs(path)
    elif text is not None:
        with open(path, "w") as f:
            f.write(text)
    with Panel(binary, sim_file=path, workdir=workdir) as panel:
        first = answer_first_question(panel, "auto")
        # The damaged system holds no card: the "none found" box, whose
        # second button is the way into demo mode.
        box = panel.wait_window(WORKFLOW_BOX, exclude=(first,))
        panel.keys(box, "Tab", "Return")
        main = panel.wait_window(MAIN_WINDOW)
        close_main_window(panel, main)
        clean_exit(panel)
        # One line tells the user which file is wrong, where and why.
        lines = [l for l in panel.stderr().splitlines() if path in l]
        check(len(lines) == 1, "messages about the file: %r" % lines)
        if line is not None:
            check(lines[0].startswith("%s:%d: " % (path, line)),
                  "the message does not name line %d: %r" % (line, lines[0]))
        rm = panel.calls("viOpenDefaultRM")
        check(rm and all(e["status"] == -1073807360 for e in rm),
              "viOpenDefaultRM answered %r" % rm)
        check(panel.calls("viOpen") == [] and panel.calls("qm7240_init") == [],
              "a session was opened on a damaged system")
    shutil.rmtree(workdir, ignore_errors=True)


for _kind in SIM_MISTAKES:
    globals()["case_sim_" + _kind] = (lambda k: lambda binary: sim_case(binary, k))(_kind)


# --- awkward descriptors typed into the address dialog ---------------------

def type_descriptor(panel, dialog, text):
    # The dialog opens on the descriptor, its text selected: typing replaces it.
    panel.type_text(dialog, text)


def typed_case(binary, typed, expect_open):
    """Types `typed`, keeps FC 1 and presses OK; then, in a second run, OK
    on what was stored. Both runs must reach the driver with the same text."""
    # The panel hands the driver Latin-1 bytes ("?" for what Latin-1 lacks);
    # the journal, being UTF-8, shows a byte that is no UTF-8 as U+FFFD.
    sent = typed.encode("latin-1", "replace").decode("utf-8", "replace")
    workdir = tempfile.mkdtemp(prefix="sfp-e2e-typed-")
    profile = os.path.join(workdir, "profile")
    write_ini(profile, STORED)
    try:
        for run in (1, 2):
            rundir = os.path.join(workdir, "run%d" % run)
            os.makedirs(rundir)
            with Panel(binary, profile=profile, workdir=rundir, typed=typed) as panel:
                dialog = open_address_dialog(panel)
                if run == 1:
                    type_descriptor(panel, dialog, typed)
                    ok_after_typing(panel, dialog)
                else:
                    ok(panel, dialog)
                finish_open(panel, sent, expect_open)
                check_kept(panel, [typed] + HISTORY)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def finish_open(panel, sent, expect_open):
    if expect_open:
        connected_then_close(panel, sent)
    else:
        # The "unavailable" box: Try Again, Cancel.
        box = panel.wait_window(WORKFLOW_BOX, exclude=(panel.first_question,))
        inits = panel.calls("qm7240_init")
        check(len(inits) == 1 and inits[0]["rsrc"] == sent and inits[0]["status"] < 0,
              "qm7240_init calls: %r" % inits)
        check(panel.calls("qm7240_close") == [], "a failed session was closed")
        panel.keys(box, "Tab", "Return")
    clean_exit(panel)


def case_descriptor_4000_chars(binary):
    # 125 characters typed, then doubled five times with the field's own
    # copy and paste, as a user filling it would.
    unit = "TCPIP0::" + "carrier-%03d." % 7 + "x" * (125 - 28) + "::INSTR:"
    check(len(unit) == 125, "unit of %d" % len(unit))
    long_text = unit * 32
    sent = long_text
    workdir = tempfile.mkdtemp(prefix="sfp-e2e-long-")
    profile = os.path.join(workdir, "profile")
    write_ini(profile, STORED)
    try:
        with Panel(binary, profile=profile, workdir=workdir) as panel:
            dialog = open_address_dialog(panel)
            type_descriptor(panel, dialog, unit)
            for _ in range(5):
                panel.keys(dialog, "ctrl+a", "ctrl+c", "End", "ctrl+v")
            ok_after_typing(panel, dialog)
            box = panel.wait_window(WORKFLOW_BOX, exclude=(panel.first_question,))
            inits = panel.calls("qm7240_init")
            check(len(inits) == 1 and inits[0]["rsrc"] == sent and inits[0]["status"] < 0,
                  "qm7240_init got %r" % [(len(e["rsrc"]), e["status"]) for e in inits])
            panel.keys(box, "Tab", "Return")
            clean_exit(panel)
            check_kept(panel, [long_text] + HISTORY)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def case_descriptor_spaces(binary):
    typed_case(binary, "TCPIP0::lab carrier 2::INSTR", expect_open=False)


def case_descriptor_padded(binary):
    # Blanks around a good descriptor: stored as typed, and the driver opens it.
    typed_case(binary, "  TCPIP0::192.168.2.100::INSTR  ", expect_open=True)


def case_descriptor_ini_syntax(binary):
    # Everything the descriptors file itself gives a meaning to.
    typed_case(binary, 'TCPIP0::a=b;c#d[e]"q"\\x\\\\::INSTR', expect_open=False)


def case_descriptor_commas(binary):
    # The driver takes a comma-joined text as one descriptor per card, and
    # this entry names one card: it opens the first.
    typed_case(binary, "TCPIP0::192.168.2.100::INSTR,VXI0::2::INSTR", expect_open=True)


def case_descriptor_latin1(binary):
    typed_case(binary, "TCPIP0::café-straße::INSTR", expect_open=False)


def case_descriptor_non_latin1(binary):
    typed_case(binary, "TCPIP0::Прибор-№7-测试::INSTR", expect_open=False)



CASES = {name[len("case_"):]: fn for name, fn in list(globals().items())
         if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("--list", action="store_true")
    parser.add_argument("case", nargs="?")
    args = parser.parse_args()
    if args.list:
        print(";".join(sorted(CASES)))
        return 0
    if args.case not in CASES:
        parser.error("unknown case %r" % args.case)
    return run_case(args.case, CASES[args.case], args.panel)

if __name__ == "__main__":
    sys.exit(main())
