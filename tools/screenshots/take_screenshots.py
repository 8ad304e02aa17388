#!/usr/bin/env python3
"""Takes the README's pictures of the real panel, each run in its own Xvfb,
driven the way the whole-program tests drive it.

    take_screenshots.py --panel <build>/softfrontpanel/qm7240fp [--out docs]

Needs xvfb, xdotool, x11-utils and imagemagick (script/bootstrap).
"""

import argparse
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
# The helper is imported from the source tree, which keeps no bytecode.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

from panel_driver import (ADDRESS_DIALOG, ERROR_BOX, FIRST_QUESTION, MAIN_WINDOW,  # noqa: E402
                          WARNING_BOX, WORKFLOW_BOX, Panel, answer_first_question, check,
                          press_about_button)

# One DAC card in a VXI carrier; each picture adds its own lines to the card.
ONE_CARD = """\
resources:
  - descriptor: "VXI0::5::INSTR"
    slot: 5
    logical_address: 5
    carrier:
      model: 6080
      cards:
        - position: 1
          model: 0x4C5E
          serial: 0x2468
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]
%s"""

FAILING_WRITE = ONE_CARD % """\
          fail:
            qm7240_writeChannel: {status: 0xBFFF0015, channel: 6, after: 1}
"""

# Group 3 will not tell its range, channel 6 is open, and the status poll
# gives up with a warning after a few ticks.
STOPPED_POLL = ONE_CARD % """\
          open_circuit: [6]
          fail:
            qm7240_getOutputRange: {status: -1074001000, group: 3}
            qm7240_getDACStatus: {status: 1073481000, channel: 7, after: 12}
"""

# The carrier's link drops 3 s after the start and stays down, with a 1 s
# timeout; channel 6 is open.
LINK_DOWN = ONE_CARD.replace("    logical_address: 5\n", """\
    logical_address: 5
    link:
      timeout_ms: 1000
      down: [{after_ms: 3000, for_ms: 600000}]
""") % "          open_circuit: [6]\n"


def splash_window(panel):
    """The splash screen is the program's top-level window named after the
    program itself (it has no title of its own) that is shown."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                          env={**os.environ, "DISPLAY": panel.x.display}, timeout=60).stdout
    for m in re.finditer(r'^\s+(0x[0-9a-f]+) "qm7240fp": \("qm7240fp" "qm7240fp"\)', tree, re.M):
        info = subprocess.run(["xwininfo", "-id", m.group(1)], capture_output=True, text=True,
                              env={**os.environ, "DISPLAY": panel.x.display}, timeout=60).stdout
        if "Map State: IsViewable" in info:
            return int(m.group(1), 16)
    return None


def first_question_and_splash(panel, out):
    box = panel.wait_window(FIRST_QUESTION)
    panel.screenshot(box, os.path.join(out, "first-question.png"))
    # The question sits on the splash; move it aside for a clean splash.
    splash = splash_window(panel)
    check(splash is not None, "no splash screen")
    panel.xdotool("windowmove", str(box), "0", "0")
    time.sleep(0.5)
    panel.screenshot(splash, os.path.join(out, "splash.png"))
    return box


def channel6(panel, main, text):
    # Focus starts on Reset Device; ?, About, Close, group 1 and its range come first.
    panel.keys(main, *(["Tab"] * 10))
    panel.type_text(main, text)


def take(binary, out):
    os.makedirs(out, exist_ok=True)

    # Built-in system: the splash, the first question, the selection tree.
    with Panel(binary) as panel:
        first_question_and_splash(panel, out)
        answer_first_question(panel, "auto")
        tree = panel.wait_window(WORKFLOW_BOX, exclude=(panel.first_question,))
        # FC 3 of the LXI carrier chosen, as the user would before OK.
        panel.keys(tree, "Down", "Down", "Down")
        time.sleep(0.5)
        panel.screenshot(tree, os.path.join(out, "selection-tree.png"))

    # The address dialog, then the main window on the VXI card whose
    # channel 6 is open: a current there lights its lamp.
    with Panel(binary) as panel:
        answer_first_question(panel, "address")
        dialog = panel.wait_window(ADDRESS_DIALOG)
        panel.type_text(dialog, "VXI0::2::INSTR")
        panel.keys(dialog, "Tab", "Down")
        time.sleep(0.3)
        panel.screenshot(dialog, os.path.join(out, "address-dialog.png"))
        panel.keys(dialog, "Tab", "space")
        main = panel.wait_window(MAIN_WINDOW, prefix=True)
        channel6(panel, main, "5")
        writes = panel.wait_calls("qm7240_writeChannel", 9)
        check(writes[8]["channel"] == 6, "the value went to %r" % writes[8])
        # Two status polls after the write: the lamp shows what the card reported.
        polls = len(panel.calls("qm7240_getDACStatus"))
        panel.wait_calls("qm7240_getDACStatus", polls + 32)
        panel.keys(main, "Tab")
        time.sleep(0.3)
        panel.screenshot(main, os.path.join(out, "main-real-lamp.png"))
        # The About box with the card's own hardware page, then the toolkit's
        # licence text behind the licence link of its first row.
        press_about_button(panel, main)
        about = panel.wait_window("About Vorilan 7240 Soft Front Panel")
        time.sleep(0.3)
        panel.screenshot(about, os.path.join(out, "about-real.png"))
        panel.xdotool("mousemove", "--window", str(about), "365", "150", "click", "1")
        licence = panel.wait_window("Qt LGPL License")
        time.sleep(0.3)
        panel.screenshot(licence, os.path.join(out, "licence.png"))
        panel.keys(licence, "Escape")

    # Demo mode and the About box.
    with Panel(binary) as panel:
        answer_first_question(panel, "demo")
        main = panel.wait_window(MAIN_WINDOW)
        time.sleep(0.3)
        panel.screenshot(main, os.path.join(out, "main-demo.png"))
        press_about_button(panel, main)
        about = panel.wait_window("About Vorilan 7240 Soft Front Panel")
        time.sleep(0.3)
        panel.screenshot(about, os.path.join(out, "about.png"))

    # A setup recalled in demo mode: what will change, Cancel the default.
    with Panel(binary, args=["--demo"]) as panel:
        setup = os.path.join(panel.workdir, "rig.setup")
        with open(setup, "w", encoding="utf-8") as f:
            f.write("[setup]\nformat = 1\nmodel = 7240\n[group1]\nrange = 4-20mA\n"
                    "channel1 = 12.000 mA\n[group3]\nrange = -10-10V\nchannel9 = 2.500 V\n")
        main = panel.wait_window(MAIN_WINDOW)
        panel.keys(main, "ctrl+o")
        dialog = panel.wait_window("Recall Setup")
        panel.type_text(dialog, setup)
        panel.keys(dialog, "Return")
        box = panel.wait_window("Vorilan 7240 SFP: Recall Setup")
        time.sleep(0.3)
        panel.screenshot(box, os.path.join(out, "recall-setup.png"))

    # A driver error while writing.
    with Panel(binary, sim_yaml=FAILING_WRITE) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        channel6(panel, main, "5")
        box = panel.wait_window(ERROR_BOX)
        panel.screenshot(box, os.path.join(out, "error-box.png"))

    # A group out of play and a status poll that stopped: grey lamps, the lit one kept.
    with Panel(binary, sim_yaml=STOPPED_POLL) as panel:
        answer_first_question(panel, "auto")
        box = panel.wait_window(ERROR_BOX)
        # No (the second button) goes on with the panel.
        panel.keys(box, "Tab", "space")
        main = panel.wait_window(MAIN_WINDOW)
        channel6(panel, main, "5")
        box = panel.wait_window(WARNING_BOX)
        panel.keys(box, "Return")
        panel.wait_gone(box)
        panel.keys(main, "Tab")
        time.sleep(0.3)
        panel.screenshot(main, os.path.join(out, "main-poll-stopped.png"))

    # The link drops: the poll's box, answered No; then 0-20mA for group 2
    # gives one box, and its four channels are marked as not confirmed.
    with Panel(binary, sim_yaml=LINK_DOWN) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        box = panel.wait_window(ERROR_BOX, timeout=60)
        panel.keys(box, "Tab", "space")
        panel.wait_gone(box)
        # Group 2's range box follows channel 8.
        panel.keys(main, *(["Tab"] * 13), "Down")
        box = panel.wait_window(ERROR_BOX, timeout=60)
        panel.keys(box, "Tab", "space")
        panel.wait_gone(box)
        time.sleep(0.3)
        panel.screenshot(main, os.path.join(out, "main-link-failed.png"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("--out", default=os.path.join(REPO, "docs"))
    args = parser.parse_args()
    take(args.panel, args.out)
    for name in sorted(os.listdir(args.out)):
        if name.endswith(".png"):
            print(os.path.join(args.out, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
