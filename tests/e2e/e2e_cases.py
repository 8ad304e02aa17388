#!/usr/bin/env python3
"""Whole-program tests of qm7240fp: the main user paths.

    e2e_cases.py --panel <qm7240fp> <case>
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

# The helper is imported from the source tree, which keeps no bytecode.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from panel_driver import (ADDRESS_DIALOG, ERROR_BOX, MAIN_WINDOW, WARNING_BOX,  # noqa: E402
                          WORKFLOW_BOX, Panel, answer_first_question, check,
                          close_main_window, press_about_button, read_ini, run_case)

ONE_DAC_CARD = """\
resources:
  - descriptor: "VXI0::5::INSTR"
    slot: 5
    logical_address: 5
    carrier:
      model: 6080
      positions: 4
      cards:
        - position: 3
          model: 0x4C5E
          serial: 0x2468
          subtype: "AA"
          firmware: "1.0.1.0"
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]
%(fail)s"""

def one_dac_card(fail=""):
    return ONE_DAC_CARD % {"fail": fail}


def startup_writes(panel):
    return ([e for e in panel.calls("qm7240_setOutputRange")],
            [e for e in panel.calls("qm7240_writeChannel")])


def type_into_channel6(panel, main, text):
    # Focus starts on Reset Device; the frame's buttons (?, About, Close) come
    # next, then group 1's four channels and its range, then group 2.
    panel.keys(main, *(["Tab"] * 10))
    panel.type_text(main, text)


def case_autofind_one_card(binary):
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        titles = panel.titles()
        check(titles == [MAIN_WINDOW], "windows after Auto Find: %r" % titles)

        inits = panel.calls("qm7240_init")
        check(len(inits) == 1 and inits[0]["rsrc"] == "VXI0::5::INSTR" and inits[0]["fc"] == 3
              and inits[0]["status"] == 0, "qm7240_init calls: %r" % inits)
        session = inits[0]["session"]

        ranges, writes = startup_writes(panel)
        check([(e["group"], e["range"], e["status"]) for e in ranges] == [(1, 1, 0), (2, 1, 0)],
              "start-up range selections: %r" % ranges)
        check([(e["channel"], e["value"]) for e in writes] == [(c, 0.0) for c in range(1, 9)],
              "start-up writes: %r" % writes)

        type_into_channel6(panel, main, "5")
        writes = panel.wait_calls("qm7240_writeChannel", 9)
        last = writes[8]
        check(last["channel"] == 6 and last["session"] == session and last["status"] == 0,
              "the typed value went to %r" % last)
        check(abs(last["value"] - 0.004999954) < 5e-10,
              "channel 6 received %.12g A, expected 0.004999954 A" % last["value"])
        check(len(writes) == 9, "one keystroke, one write: %r" % writes[8:])

        check(panel.calls("qm7240_close") == [], "closed before the user asked")
        close_main_window(panel, main)
        status = panel.wait_exit()
        check(status == 0, "exit status %d" % status)
        closes = panel.calls("qm7240_close")
        check(len(closes) == 1 and closes[0]["session"] == session and closes[0]["status"] == 0,
              "qm7240_close calls: %r" % closes)


def case_autofind_select_card(binary):
    # The built-in system holds three DAC cards: the selection tree.
    with Panel(binary) as panel:
        answer_first_question(panel, "auto")
        tree = panel.wait_window(WORKFLOW_BOX, exclude=(panel.first_question,))
        check(panel.calls("qm7240_init") == [], "a card was opened before the user chose")
        # The tree starts on its first row (TCPIP0); down past the carrier and
        # its FC 1 to FC 3, then OK.
        panel.keys(tree, "Down", "Down", "Down", "Tab", "space")
        main = panel.wait_window(MAIN_WINDOW + ": lxi-carrier")
        inits = panel.calls("qm7240_init")
        check([(e["rsrc"], e["fc"], e["status"]) for e in inits]
              == [("TCPIP0::192.168.2.100::INSTR", 3, 0)], "qm7240_init calls: %r" % inits)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)
        closes = panel.calls("qm7240_close")
        check([e["session"] for e in closes] == [inits[0]["session"]],
              "qm7240_close calls: %r" % closes)


def case_autofind_cancel_selection(binary):
    # Cancel in the selection dialog gives up altogether.
    with Panel(binary) as panel:
        answer_first_question(panel, "auto")
        tree = panel.wait_window(WORKFLOW_BOX, exclude=(panel.first_question,))
        panel.keys(tree, "Escape")
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)
        check(not any(name.startswith(MAIN_WINDOW) for name in panel.known.values()),
              "the main window was shown")
        check(panel.calls("qm7240_init") == [], "a card was opened")


def card_calls(panel, start):
    """The range and write calls after the first `start` journal lines."""
    return [(e["call"][len("qm7240_"):], e.get("group", e.get("channel")),
             e.get("range", e.get("value")), e["status"])
            for e in panel.journal()[start:]
            if e["call"] in ("qm7240_setOutputRange", "qm7240_writeChannel")]


def case_range_change(binary):
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        # Channel 6 gets 5 mA; then group 2's range box, which follows
        # channel 8, goes to 0-20mA and on to 4-20mA.
        type_into_channel6(panel, main, "5")
        panel.wait_calls("qm7240_writeChannel", 9)
        mark = len(panel.journal())
        panel.keys(main, "Tab", "Tab", "Tab", "Down")
        panel.wait_calls("qm7240_writeChannel", 13)
        # The control holds 5.000; on the 0-20mA grid that is code 16384.
        q = 16384 * 20.0 / 65535 / 1000
        got = card_calls(panel, mark)
        want = [("setOutputRange", 2, 2, 0), ("writeChannel", 5, 0.0, 0),
                ("writeChannel", 6, q, 0), ("writeChannel", 7, 0.0, 0),
                ("writeChannel", 8, 0.0, 0)]
        check(len(got) == len(want) and all(
            g[:2] == w[:2] and abs(g[2] - w[2]) < 1e-12 and g[3] == w[3]
            for g, w in zip(got, want)), "0-20mA: %r" % got)

        mark = len(panel.journal())
        panel.keys(main, "Down")
        panel.wait_calls("qm7240_writeChannel", 20)
        # Channels 5, 7 and 8 held 0 mA, below the new range: each is clamped
        # to 4 mA and written at once, then the range goes out and all four
        # are written again. Channel 6 (5.000) is code 4096 of 4-20mA.
        q = (4 + 4096 * 16.0 / 65535) / 1000
        got = card_calls(panel, mark)
        want = [("writeChannel", 5, 0.004, 0), ("writeChannel", 7, 0.004, 0),
                ("writeChannel", 8, 0.004, 0), ("setOutputRange", 2, 3, 0),
                ("writeChannel", 5, 0.004, 0), ("writeChannel", 6, q, 0),
                ("writeChannel", 7, 0.004, 0), ("writeChannel", 8, 0.004, 0)]
        check(len(got) == len(want) and all(
            g[:2] == w[:2] and abs(g[2] - w[2]) < 1e-12 and g[3] == w[3]
            for g, w in zip(got, want)), "4-20mA: %r" % got)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_reset_device(binary):
    fail = "          fail:\n            qm7240_reset: {status: -1074001000, after: 1}\n"
    with Panel(binary, sim_yaml=one_dac_card(fail)) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        session = panel.calls("qm7240_init")[0]["session"]
        # Reset Device has the focus when the window opens.
        panel.keys(main, "space")
        resets = panel.wait_calls("qm7240_reset", 1)
        check([(e["session"], e["status"]) for e in resets] == [(session, 0)],
              "reset: %r" % resets)
        # The second reset fails: the error box; No keeps the panel.
        panel.keys(main, "space")
        box = panel.wait_window(ERROR_BOX)
        check([e["status"] for e in panel.calls("qm7240_reset")] == [0, -1074001000],
              "resets: %r" % panel.calls("qm7240_reset"))
        panel.keys(box, "Tab", "space")
        panel.wait_gone(box)
        check(panel.proc.poll() is None, "the program ended on No")
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)
        check(len(panel.calls("qm7240_close")) == 1, "closes: %r" % panel.calls("qm7240_close"))


def case_reset_shows_card_state(binary):
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        # 5 mA on channel 6, then group 2's range box down to 4-20mA.
        type_into_channel6(panel, main, "5")
        panel.wait_calls("qm7240_writeChannel", 9)
        panel.keys(main, "Tab", "Tab", "Tab", "Down", "Down")
        panel.wait_calls("qm7240_setOutputRange", 4)
        panel.wait_calls("qm7240_writeChannel", 20)
        # Back to Reset Device, where the focus started, and press it.
        mark = len(panel.journal())
        panel.keys(main, *(["shift+Tab"] * 13), "space")
        panel.wait_calls("qm7240_getOutputRange", 8)
        after = [e for e in panel.journal()[mark:] if e["call"] != "qm7240_getDACStatus"]
        got = [(e["call"], e.get("group"), e["status"]) for e in after]
        check(got == [("qm7240_reset", None, 0)] + [("qm7240_getOutputRange", g, 0)
                                                     for g in range(1, 5)],
              "calls after Reset Device: %r" % got)

        # The window shows the card's state: channel 6 at 0 on the 0-24mA
        # grid (one arrow click is 100 steps of 24/65535 mA from there), and
        # group 2's range box on 0-24mA (one item down is 0-20mA, which a box
        # still on 4-20mA, the last item, could not go to).
        mark = len(panel.journal())
        panel.keys(main, *(["Tab"] * 10), "Up")
        panel.wait_calls("qm7240_writeChannel", 21)
        panel.keys(main, "Tab", "Tab", "Tab", "Down")
        panel.wait_calls("qm7240_setOutputRange", 5)
        got = card_calls(panel, mark)
        check(len(got) >= 2 and got[0][:2] == ("writeChannel", 6)
              and abs(got[0][2] - 100 * 24.0 / 65535 / 1000) < 1e-12
              and got[1] == ("setOutputRange", 2, 2, 0), "after the reset: %r" % got)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_unreadable_group(binary):
    # Group 2, a current group, will not tell its range.
    fail = ("          fail:\n"
            "            qm7240_getOutputRange: {status: -1074001000, group: 2}\n")
    with Panel(binary, sim_yaml=one_dac_card(fail)) as panel:
        answer_first_question(panel, "auto")
        box = panel.wait_window(ERROR_BOX)
        # No (the second button) goes on with the panel.
        panel.keys(box, "Tab", "space")
        main = panel.wait_window(MAIN_WINDOW)
        ranges = [(e["group"], e["range"]) for e in panel.calls("qm7240_setOutputRange")]
        check(ranges == [(1, 1)], "start-up range selections: %r" % ranges)
        # Two ticks of the poll, then a typed value: the disabled group is
        # not in the focus chain, so the keystrokes end up elsewhere.
        panel.wait_calls("qm7240_getDACStatus", 24)
        writes = len(panel.calls("qm7240_writeChannel"))
        type_into_channel6(panel, main, "5")
        panel.wait_calls("qm7240_writeChannel", writes + 1)
        written = [e["channel"] for e in panel.calls("qm7240_writeChannel")]
        polled = [e["channel"] for e in panel.calls("qm7240_getDACStatus")]
        check(not {5, 6, 7, 8} & set(written), "group 2 written: %r" % written)
        check(polled[:24] == [1, 2, 3, 4, 9, 10, 11, 12, 13, 14, 15, 16] * 2,
              "polled channels %r" % polled)
        check(not {5, 6, 7, 8} & set(polled), "group 2 polled: %r" % polled)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)
        check(not any(e.get("group") == 2 for e in panel.calls("qm7240_setOutputRange")),
              "a range went to group 2")


def case_poll_warning(binary):
    fail = ("          fail:\n"
            "            qm7240_getDACStatus: {status: 1073481000, channel: 6, after: 3}\n")
    with Panel(binary, sim_yaml=one_dac_card(fail)) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        box = panel.wait_window(WARNING_BOX)
        polls = panel.calls("qm7240_getDACStatus")
        # Three full ticks of sixteen channels, then channels 1 to 6 of the fourth.
        check([e["channel"] for e in polls] == list(range(1, 17)) * 3 + list(range(1, 7)),
              "polled channels %r" % [e["channel"] for e in polls])
        check([e["status"] for e in polls[-6:]] == [0] * 5 + [1073481000],
              "statuses of the last tick %r" % [e["status"] for e in polls[-6:]])
        panel.keys(box, "Return")
        panel.wait_gone(box)
        # Long enough for three more ticks, were the timer still running;
        # a write afterwards marks the end of that time in the journal.
        time.sleep(1.5)
        type_into_channel6(panel, main, "5")
        panel.wait_calls("qm7240_writeChannel", 9)
        check(len(panel.calls("qm7240_getDACStatus")) == len(polls),
              "polled again after the warning")
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


VI_ERROR_TMO = -1073807339


def pixels(panel, wid, colour):
    """How many pixels of the window have this colour ("#RRGGBB")."""
    path = os.path.join(panel.workdir, "window.png")
    panel.screenshot(wid, path)
    out = subprocess.run(["convert", path, "txt:-"], check=True, capture_output=True,
                         text=True).stdout
    return out.count(colour)


def grey_pixels(panel, wid):
    """The grey of a lamp nothing watches."""
    return pixels(panel, wid, "#808080")


def amber_pixels(panel, wid):
    """The amber of a value the card did not confirm."""
    return pixels(panel, wid, "#FFD68C")


def case_link_drops(binary):
    # The carrier's link goes down 5 s after the simulator's start, for 10 s,
    # with VISA's default timeout of 2 s; channel 6 is open. The range change
    # must meet the dead link: a loaded machine takes seconds for the steps
    # before it.
    link = ("    link:\n"
            "      down: [{after_ms: 5000, for_ms: 10000}]\n")
    yaml = one_dac_card("          open_circuit: [6]\n").replace(
        "    logical_address: 5\n", "    logical_address: 5\n" + link)
    with Panel(binary, sim_yaml=yaml) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        grey_before = grey_pixels(panel, main)
        box = panel.wait_window(ERROR_BOX, timeout=60)
        seen_at = time.monotonic()
        polls = panel.calls("qm7240_getDACStatus")
        failed = polls[-1]
        check(failed["status"] == VI_ERROR_TMO and failed["dur_ms"] >= 2000,
              "the read that met the dead link: %r" % failed)
        check(all(p["status"] == 0 for p in polls[:-1]), "earlier reads failed: %r" % polls)
        # The box's text holds the driver's description of that status.
        described = [e for e in panel.calls("qm7240_error_message") if e["code"] == VI_ERROR_TMO]
        check(described and "Timeout" in described[-1]["message"],
              "the box's description: %r" % described)
        panel.keys(box, "Tab", "space")  # No: go on without the poll
        panel.wait_gone(box)

        # 0-20mA for group 2 (its range box follows channel 8): the range
        # call meets the dead link, one box, no write after it, and the four
        # channels are marked.
        mark = len(panel.journal())
        panel.keys(main, *(["Tab"] * 13), "Down")
        box = panel.wait_window(ERROR_BOX, timeout=60)
        panel.keys(box, "Tab", "space")
        panel.wait_gone(box)
        got = card_calls(panel, mark)
        check([(c[0], c[1], c[3]) for c in got] == [("setOutputRange", 2, VI_ERROR_TMO)],
              "the range change on a dead link: %r" % got)
        marked = amber_pixels(panel, main)
        check(marked > 4 * 400, "the four channels are not marked (%d pixels)" % marked)
        check(panel.titles() == [MAIN_WINDOW], "a second box: %r" % panel.titles())
        check(grey_pixels(panel, main) > grey_before + 8 * 20, "the lamps did not turn grey")

        # Once the link is back, by the journal's clock: Resume Monitoring
        # (Alt+R) reads every channel again, and the lamps show the card.
        while failed["t_ms"] + 1000 * (time.monotonic() - seen_at) < 15500:
            time.sleep(0.1)
        reads = len(panel.calls("qm7240_getDACStatus"))
        panel.keys(main, "alt+r")
        resumed = panel.wait_calls("qm7240_getDACStatus", reads + 16)[reads:reads + 16]
        check([(e["channel"], e["status"]) for e in resumed] == [(c, 0) for c in range(1, 17)],
              "the resumed round: %r" % resumed)
        time.sleep(0.5)
        check(grey_pixels(panel, main) < grey_before + 8 * 20, "the lamps stayed grey")
        check(len(panel.calls("qm7240_writeChannel")) == 8, "resuming wrote to the card")

        # 5 typed into channel 6 reaches the card, clears its mark, lights its lamp.
        # Group 2's range box still has the focus: back to channel 6 from there.
        writes = len(panel.calls("qm7240_writeChannel"))
        panel.keys(main, "shift+Tab", "shift+Tab", "shift+Tab")
        panel.type_text(main, "5")
        last = panel.wait_calls("qm7240_writeChannel", writes + 1)[-1]
        check(last["channel"] == 6 and last["status"] == 0, "the write after the link: %r" % last)
        reads = len(panel.calls("qm7240_getDACStatus"))
        lit = [e for e in panel.wait_calls("qm7240_getDACStatus", reads + 16)[reads:]
               if e["channel"] == 6]
        check(lit and lit[0].get("stat") == 1, "channel 6's status after 5 mA: %r" % lit)
        time.sleep(0.5)
        check(amber_pixels(panel, main) < marked, "channel 6 is still marked")
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_open_failed_try_again(binary):
    # A descriptor that names no resource of the built-in system.
    with Panel(binary) as panel:
        answer_first_question(panel, "address")
        dialog = panel.wait_window(ADDRESS_DIALOG)
        # The dialog opens on the descriptor, typed over at once; then the
        # card number and OK.
        panel.type_text(dialog, "VXI0::9::INSTR")
        panel.keys(dialog, "Tab", "Down", "Tab", "space")
        for attempt in (1, 2):
            box = panel.wait_window(WORKFLOW_BOX, exclude=(panel.first_question,))
            inits = panel.calls("qm7240_init")
            check(len(inits) == attempt and inits[-1]["rsrc"] == "VXI0::9::INSTR"
                  and inits[-1]["fc"] == 1 and inits[-1]["status"] < 0,
                  "attempt %d: qm7240_init calls %r" % (attempt, inits))
            # "Try Again" is the default; it leads back to the first question.
            panel.keys(box, "Return")
            panel.wait_gone(box)
            if attempt == 1:
                # The rejected descriptor was kept: OK alone tries it again.
                answer_first_question(panel, "address")
                dialog = panel.wait_window(ADDRESS_DIALOG)
                panel.keys(dialog, "Tab", "Tab", "space")
        answer_first_question(panel, "demo")
        main = panel.wait_window(MAIN_WINDOW)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)
        check(panel.calls("qm7240_close") == [], "a failed session was closed")


def case_cancel_first_question(binary):
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        answer_first_question(panel, "cancel")
        status = panel.wait_exit()
        check(status == 0, "exit status %d" % status)
        check(MAIN_WINDOW not in panel.known.values(), "the main window was shown")
        opened = [e for e in panel.journal()
                  if e["call"] in ("qm7240_init", "viOpen")]
        check(opened == [], "a session was opened: %r" % opened)


def case_demo_mode_about(binary):
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        answer_first_question(panel, "demo")
        main = panel.wait_window(MAIN_WINDOW)
        press_about_button(panel, main)
        about = panel.wait_window("About Vorilan 7240 Soft Front Panel")
        panel.keys(about, "Escape")
        panel.wait_gone(about)
        check(MAIN_WINDOW in panel.titles(), "the main window went with the About box")
        close_main_window(panel, main)
        status = panel.wait_exit()
        check(status == 0, "exit status %d" % status)
        # The About box names the libraries' revisions, which they report
        # without a session; nothing else may reach a library, least of all a card.
        calls = [(e["call"], e.get("session")) for e in panel.journal()]
        check(calls == [("qm6080_revisionText", None), ("qm7240_revision_query", 0)],
              "library calls in demo mode: %r" % calls)


def case_enter_address_default(binary):
    with Panel(binary) as panel:
        answer_first_question(panel, "address")
        dialog = panel.wait_window(ADDRESS_DIALOG)
        # Focus starts on the descriptor; then the card number, OK.
        panel.keys(dialog, "Tab", "Down", "Tab", "space")
        main = panel.wait_window(MAIN_WINDOW + ": ", prefix=True)
        inits = panel.calls("qm7240_init")
        check(len(inits) == 1 and inits[0]["rsrc"] == "TCPIP::192.168.2.100::INSTR"
              and inits[0]["fc"] == 1 and inits[0]["status"] == 0,
              "qm7240_init calls: %r" % inits)
        ini = os.path.join(panel.profile, "Marvane", "DefaultInstrDescr.ini")
        stored = read_ini(ini).get("7240", {})
        check(stored.get("1.1.Descriptor") == "TCPIP::192.168.2.100::INSTR"
              and stored.get("1.FC_Number") == "1" and stored.get("FC_Count") == "1",
              "stored descriptors: %r" % stored)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_command_line_demo(binary):
    # A trace that fails on its first line says so once, and the panel goes on.
    with Panel(binary, args=["--demo", "--trace", "/dev/full"]) as panel:
        main = panel.wait_window(MAIN_WINDOW)
        check(panel.titles() == [MAIN_WINDOW], "windows: %r" % panel.titles())
        check(panel.stderr().count("/dev/full: cannot write the trace (No space left on device);"
                                   " later calls are not traced\n") == 1,
              "stderr: %r" % panel.stderr())
        time.sleep(1.0)
        touched = [e["call"] for e in panel.journal()
                   if e["call"] in ("viOpenDefaultRM", "qm7240_init")
                   or e.get("session", 0) != 0]
        check(touched == [], "demo mode reached for the card: %r" % touched)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_command_line_address(binary):
    # The built-in LXI carrier, as a desktop shortcut would name it.
    with Panel(binary, args=["--address", "TCPIP::192.168.2.100::INSTR", "--card", "3"]) as panel:
        main = panel.wait_window(MAIN_WINDOW + ": ", prefix=True)
        check(panel.titles() == [panel.known[main]], "windows: %r" % panel.titles())
        inits = panel.calls("qm7240_init")
        check(len(inits) == 1 and inits[0]["rsrc"] == "TCPIP::192.168.2.100::INSTR"
              and inits[0]["fc"] == 3 and inits[0]["status"] == 0,
              "qm7240_init calls: %r" % inits)
        stored = read_ini(os.path.join(panel.profile, "Marvane", "DefaultInstrDescr.ini"))
        stored = stored.get("7240", {})
        check(stored.get("1.1.Descriptor") == "TCPIP::192.168.2.100::INSTR"
              and stored.get("1.FC_Number") == "3", "stored descriptors: %r" % stored)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)

    # A resource the system does not have: the workflow's own box, as after a
    # typed address; Cancel gives up.
    with Panel(binary, args=["--address", "VXI0::9::INSTR", "--trace", "/no/such/dir/t"]) as panel:
        box = panel.wait_window(WORKFLOW_BOX)
        check(panel.stderr().startswith("/no/such/dir/t: cannot open the trace for writing (No "
                                        "such file or directory)\n"),
              "stderr: %r" % panel.stderr())
        inits = panel.calls("qm7240_init")
        check(len(inits) == 1 and inits[0]["rsrc"] == "VXI0::9::INSTR" and inits[0]["status"] < 0,
              "qm7240_init calls: %r" % inits)
        panel.keys(box, "Tab", "space")  # Cancel
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_command_line_no_display(binary):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM")}
    def run(*args, **extra):
        return subprocess.run([binary] + list(args), env={**env, **extra}, capture_output=True,
                              text=True, timeout=60)
    version = run("--version")
    check(version.returncode == 0 and version.stdout == "qm7240fp 4.3.3\n",
          "--version: %r" % version)
    usage = run("--help")
    check(usage.returncode == 0 and "--address DESCRIPTOR" in usage.stdout, "--help: %r" % usage)
    # No display at all; the X11 platform asked for without DISPLAY; a
    # Wayland display whose socket is gone: one line each, never the toolkit's abort.
    gone = os.path.join(tempfile.gettempdir(), "sfp-no-such-folder-%d" % os.getpid(), "wayland-9")
    for start in (run(), run("-platform", "xcb"), run(QT_QPA_PLATFORM="xcb"),
                  run(WAYLAND_DISPLAY=gone)):
        check(start.returncode == 1 and start.stderr.count("\n") == 1
              and "no display" in start.stderr and "-platform vnc" in start.stderr,
              "a start without a display: %r" % start)
    bad = run("--card", "2")
    check(bad.returncode == 2 and "--help" in bad.stderr and bad.stdout == "",
          "a command line it cannot read: %r" % bad)


def case_enter_address_visa_spellings(binary):
    # The built-in LXI carrier as VISA lets it be written: without board
    # number and INSTR, and spelt out in full in lower case. Each opens it.
    for typed in ("TCPIP::192.168.2.100", "tcpip0::192.168.2.100::inst0::instr"):
        with Panel(binary) as panel:
            answer_first_question(panel, "address")
            dialog = panel.wait_window(ADDRESS_DIALOG)
            panel.type_text(dialog, typed)
            # Delete drops what the box's completion adds from the stored
            # default ("::INSTR"); then the card number and OK.
            panel.keys(dialog, "Delete", "Tab", "Down", "Tab", "space")
            main = panel.wait_window(MAIN_WINDOW + ": ", prefix=True)
            inits = panel.calls("qm7240_init")
            check(len(inits) == 1 and inits[0]["rsrc"] == typed and inits[0]["fc"] == 1
                  and inits[0]["status"] == 0, "%s: qm7240_init calls %r" % (typed, inits))
            close_main_window(panel, main)
            check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_address_dialog_focus(binary):
    # The card stored last is one OK away; the dialog must open on the
    # descriptor box, not on OK, so a stray Return or Space opens nothing.
    with Panel(binary, sim_yaml=one_dac_card()) as panel:
        folder = os.path.join(panel.profile, "Marvane")
        os.makedirs(folder)
        with open(os.path.join(folder, "DefaultInstrDescr.ini"), "w") as f:
            f.write("[7240]\n1.1.Descriptor=VXI0::5::INSTR\n1.FC_Number=3\nFC_Count=1\n")
        answer_first_question(panel, "address")
        dialog = panel.wait_window(ADDRESS_DIALOG)
        panel.keys(dialog, "Return", "space")
        time.sleep(1.0)
        check(panel.calls("qm7240_init") == [],
              "a stray key opened %r" % panel.calls("qm7240_init"))
        check(ADDRESS_DIALOG in panel.titles(), "the dialog went on a stray key")
        panel.keys(dialog, "Escape")
        panel.wait_gone(dialog)
        # Shown again, the dialog starts on the descriptor once more: typed at
        # once, the text replaces the stored one (the same resource, board 0
        # left out); then the card number, OK.
        answer_first_question(panel, "address")
        dialog = panel.wait_window(ADDRESS_DIALOG)
        panel.type_text(dialog, "VXI::5::INSTR")
        panel.keys(dialog, "Tab", "Tab", "space")
        main = panel.wait_window(MAIN_WINDOW)
        inits = panel.calls("qm7240_init")
        check([(e["rsrc"], e["fc"], e["status"]) for e in inits] == [("VXI::5::INSTR", 3, 0)],
              "qm7240_init calls: %r" % inits)
        close_main_window(panel, main)
        check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def case_write_error(binary):
    # Start-up writes channel 6 once; the user's writes fail.
    fail = ("          fail:\n"
            "            qm7240_writeChannel: {status: -1074001000, channel: 6, after: 1}\n")
    with Panel(binary, sim_yaml=one_dac_card(fail)) as panel:
        answer_first_question(panel, "auto")
        main = panel.wait_window(MAIN_WINDOW)
        type_into_channel6(panel, main, "5")
        box = panel.wait_window(ERROR_BOX)
        failed = panel.calls("qm7240_writeChannel")[-1]
        check(failed["channel"] == 6 and failed["status"] == -1074001000,
              "the failing write: %r" % failed)
        # No (the second button) goes on with the panel.
        panel.keys(box, "Tab", "space")
        panel.wait_gone(box)
        check(panel.proc.poll() is None, "the program ended on No")
        check(MAIN_WINDOW in panel.titles(), "the main window is gone after No")

        # Another failing write; this time Yes ends the program at once.
        writes = len(panel.calls("qm7240_writeChannel"))
        # The control still has the focus; the user selects its text and types again.
        panel.keys(main, "ctrl+a")
        panel.type_text(main, "7")
        box = panel.wait_window(ERROR_BOX)
        check(len(panel.calls("qm7240_writeChannel")) == writes + 1, "the second write")
        panel.keys(box, "Return")
        status = panel.wait_exit()
        check(status == 0, "exit status %d after Yes" % status)
        # Yes abandons the program without closing the session.
        check(panel.calls("qm7240_close") == [], "the session was closed on Yes")


CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("--trace", action="store_true",
                        help="trace every run and compare the trace with the journal")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    Panel.trace_calls = args.trace
    return run_case(args.case, CASES[args.case], args.panel)

if __name__ == "__main__":
    sys.exit(main())
