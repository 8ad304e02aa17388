#!/usr/bin/env python3
"""Whole-program tests of setups: saved and recalled through the window,
given at start with --setup, and refused whole.

    setup_cases.py --panel <qm7240fp> <case>
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from e2e_cases import card_calls, one_dac_card, type_into_channel6  # noqa: E402
from panel_driver import (MAIN_WINDOW, WARNING_BOX, Panel, answer_first_question,  # noqa: E402
                          check, close_main_window, run_case)

SAVE_DIALOG = "Save Setup"
RECALL_DIALOG = "Recall Setup"
CONFIRMATION = "Vorilan 7240 SFP: Recall Setup"

# Group 1 at 4-20mA, group 2 at 0-20mA, none of their outputs at 0; a voltage
# value on group 3.
RIG = """\
# Vorilan 7240 setup
[setup]
format = 1
model = 7240

[group1]
range = 4-20mA
channel1 = 10.000 mA
channel2 = 12.000 mA
channel3 = 4.000 mA
channel4 = 20.000 mA

[group2]
range = 0-20mA
channel5 = 1.000 mA
channel6 = 2.000 mA
channel7 = 3.000 mA
channel8 = 4.000 mA

[group3]
range = -10-10V          # voltage groups: for checking only; the card fixes it
channel9 = 2.500 V
"""


def in_dialog(panel, title, path):
    """Types a path into a file dialog and takes it."""
    dialog = panel.wait_window(title)
    panel.type_text(dialog, path)
    panel.keys(dialog, "Return")
    panel.wait_gone(dialog)


def case_save_recall(binary):
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        type_into_channel6(panel, main, "5")
        panel.wait_calls("qm7240_writeChannel", 9)

        # Saved: channel 6 as shown, on the grid.
        path = os.path.join(panel.workdir, "rig.setup")
        panel.keys(main, "ctrl+s")
        in_dialog(panel, SAVE_DIALOG, path)
        with open(path, encoding="utf-8") as f:
            saved = f.read()
        check("channel6 = 5.000 mA\n" in saved and "range = 0-1V" in saved,
              "the saved setup: %r" % saved)

        # Two values changed: channel 6 to 7 mA, channel 5 to 3 mA.
        panel.keys(main, "ctrl+a")
        panel.type_text(main, "7")
        panel.keys(main, "shift+Tab", "ctrl+a")
        panel.type_text(main, "3")
        panel.wait_calls("qm7240_writeChannel", 11)

        # Recalled: the two changes listed, then the ranges and then the values
        # go to the card, in channel order.
        mark = len(panel.journal())
        panel.keys(main, "ctrl+o")
        in_dialog(panel, RECALL_DIALOG, path)
        box = panel.wait_window(CONFIRMATION)
        panel.keys(box, "alt+w")
        panel.wait_gone(box)
        panel.wait_calls("qm7240_writeChannel", 11 + 16)
        got = card_calls(panel, mark)
        kinds = [g[0] for g in got]
        check(kinds == ["setOutputRange"] * 2 + ["writeChannel"] * 16,
              "recall's calls: %r" % got)
        check([g[1] for g in got[2:]] == list(range(1, 17)), "recall's channels: %r" % got)
        check(got[0][1:3] == (1, 1) and got[1][1:3] == (2, 1), "recall's ranges: %r" % got[:2])
        check(abs(got[2 + 5][2] - 0.004999954) < 5e-10 and got[2 + 4][2] == 0.0,
              "channels 5 and 6 recalled as %r, %r" % (got[6], got[7]))
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_start_from_setup(binary):
    folder = tempfile.mkdtemp(prefix="sfp-setup-")
    path = os.path.join(folder, "rig.setup")
    with open(path, "w", encoding="utf-8") as f:
        f.write(RIG)
    # The card sits in position 3 of the carrier.
    with Panel(binary, sim_yaml=one_dac_card(),
               args=["--setup", path, "--address", "VXI0::5::INSTR", "--card", "3"]) as panel:
        main = panel.wait_window(MAIN_WINDOW)
        # Every range read first, then the setup's: no zero ever reaches a
        # current channel.
        calls = [e["call"] for e in panel.journal() if e["call"] in (
            "qm7240_getOutputRange", "qm7240_setOutputRange", "qm7240_writeChannel")]
        check(calls[:4] == ["qm7240_getOutputRange"] * 4,
              "the start-up's first calls: %r" % calls[:4])
        got = card_calls(panel, 0)
        check(got[0][:3] == ("setOutputRange", 1, 3) and got[5][:3] == ("setOutputRange", 2, 2),
              "the start-up's ranges: %r" % got)
        current = [g for g in got if g[0] == "writeChannel" and g[1] <= 8]
        check(len(current) == 8 and all(g[2] > 0 for g in current),
              "the start-up's current writes: %r" % current)
        check(abs(current[0][2] - 0.01) < 1e-6 and abs(current[7][2] - 0.004) < 1e-6,
              "channels 1 and 8: %r" % current)
        check(("writeChannel", 9) == got[-1][:2] and abs(got[-1][2] - 2.5) < 1e-3,
              "channel 9: %r" % got[-1:])
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)
    shutil.rmtree(folder, ignore_errors=True)


def case_refused(binary):
    # A setup of another card: group 3 there has 0 to 5 V, here -10 to 10 V.
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        path = os.path.join(panel.workdir, "other.setup")
        with open(path, "w", encoding="utf-8") as f:
            f.write(RIG.replace("range = -10-10V", "range = 0-5V"))
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        mark = len(panel.journal())
        panel.keys(main, "ctrl+o")
        in_dialog(panel, RECALL_DIALOG, path)
        box = panel.wait_window(WARNING_BOX)
        panel.keys(box, "Return")
        panel.wait_gone(box)
        check(card_calls(panel, mark) == [], "written after the refusal: %r"
              % card_calls(panel, mark))
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)

    # Given at start with a mistake: one line, status 2, before any window
    # or call.
    folder = tempfile.mkdtemp(prefix="sfp-setup-")
    bad = os.path.join(folder, "bad.setup")
    with open(bad, "w", encoding="utf-8") as f:
        f.write(RIG.replace("channel2 = 12.000 mA", "channel2 = 21 mA"))
    result = subprocess.run([binary, "--setup", bad, "--demo"], capture_output=True, text=True,
                            timeout=60, env={**os.environ, "QT_QPA_PLATFORM": "offscreen"})
    shutil.rmtree(folder, ignore_errors=True)
    check(result.returncode == 2 and result.stderr ==
          "qm7240fp: --setup %s: line 9: 21 mA is outside the group's range\n" % bad,
          "--setup with a mistake: %r" % result)


CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    return run_case("setup " + args.case, CASES[args.case], os.path.abspath(args.panel))


if __name__ == "__main__":
    sys.exit(main())
