#!/usr/bin/env python3
"""The real qm7240fp as a screen reader meets it: through the AT-SPI bus, read
and operated with Debian's pyatspi. Each run of the program gets a session bus
of its own (dbus-run-session), so the accessibility bus belongs to this test.

    accessibility_case.py --panel <qm7240fp>
"""

import argparse
import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402

from panel_driver import E2EFailure, Panel, check, run_case  # noqa: E402

FIRST_QUESTION = "Vorilan 7240 SFP: Select Function Card"
ADDRESS_DIALOG = "Vorilan 7240 SFP: Enter Function Card Address"
MAIN_WINDOW = "Vorilan 7240 Soft Front Panel"
ABOUT = "About"
EXIT_QUESTION = "Vorilan  SFP"

# Roles a user operates; each of them must say what it is.
INTERACTIVE = {"push button", "toggle button", "check box", "radio button", "combo box",
               "spin button", "text", "entry", "password text", "link", "slider", "tree",
               "tree table", "table", "page tab", "menu item"}

# What must be there, by role and name, in each window; a combo box that is an
# entry is named by the label it is labelled by (the toolkit gives its value as
# its name), one that only picks is named by its label and its item. A lamp's
# name ends in its state.
FIRST_QUESTION_NAMES = [("push button", n) for n in
                        ("Auto Find", "Run In Demo Mode", "Enter Address", "Cancel")]
ADDRESS_NAMES = [("combo box", "Instrument Descriptor:"), ("text", "Instrument Descriptor:"),
                 ("combo box", "Function Card Number: Select"), ("push button", "OK"),
                 ("push button", "Cancel")]
SELECTION_NAMES = [("tree", "Function Cards"), ("push button", "OK"), ("push button", "Cancel")]
PANEL_NAMES = ([("spin button", "Channel %d:" % n) for n in range(1, 17)]
               + [("label", "Channel %d output error: unlit" % n) for n in range(1, 9)]
               + [("combo box", "Current Range: 0-24mA")] * 2 + [("text", "Voltage Range:")] * 2
               + [("push button", n) for n in ("Reset Device", "What's This", "About", "Close")])
ABOUT_NAMES = [("link", n) for n in ("Qt", "LGPL v3", "Learn more about licenses")]
EXIT_NAMES = [("push button", "Yes"), ("push button", "No")]


def pump(seconds=0.0):
    """Lets events from the bus arrive for a while."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= deadline:
            return
        time.sleep(0.02)


def states(acc):
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def label_of(acc):
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                if relation.getTarget(i).name:
                    return relation.getTarget(i).name
    return ""


def said_name(acc):
    """What a screen reader says the object is."""
    if acc.getRoleName() == "combo box":
        return label_of(acc) or acc.name
    return acc.name or label_of(acc)


def application(timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "qm7240fp":
                return app
        pump(0.1)
    raise E2EFailure("qm7240fp never appeared on the accessibility bus")


def window(app, title, timeout=60, prefix=False, role=None):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w is None or "showing" not in states(w) or role not in (None, w.getRoleName()):
                continue
            if (w.name.startswith(title) if prefix else w.name == title):
                return w
        pump(0.1)
    shown = [app.getChildAtIndex(i).name for i in range(app.childCount)]
    raise E2EFailure("no window %r on the bus; there are %r" % (title, shown))


def find(root, role, name, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for acc in walk(root):
            if acc.getRoleName() == role and said_name(acc) == name and "showing" in states(acc):
                return acc
        pump(0.1)
    raise E2EFailure("no %s %r in %r" % (role, name, root.name))


def check_window(win, expected, role):
    """The window's role, every expected name, and no interactive object
    without a name."""
    check(win.getRoleName() == role, "%r is a %s, not a %s" % (win.name, win.getRoleName(), role))
    shown = [acc for acc in walk(win) if "showing" in states(acc)]
    unnamed = ["%s in %r" % (acc.getRoleName(), acc.parent.name if acc.parent else "")
               for acc in shown if acc.getRoleName() in INTERACTIVE and not said_name(acc)]
    check(unnamed == [], "without a name in %r: %r" % (win.name, unnamed))
    found = [(acc.getRoleName(), said_name(acc)) for acc in shown]
    for item in set(expected):
        check(found.count(item) >= expected.count(item),
              "%r holds %d of %r, expected %d; its %ss: %r"
              % (win.name, found.count(item), item, expected.count(item), item[0],
                 [f[1] for f in found if f[0] == item[0]]))


def press(root, role, name):
    acc = find(root, role, name)
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check("Press" in names or "Toggle" in names, "%s %r cannot be pressed: %r" % (role, name, names))
    action.doAction(names.index("Press") if "Press" in names else names.index("Toggle"))


def lamp(win, channel):
    """A lamp's state as its text says it and as its checked state does; its
    name must say the same."""
    prefix = "Channel %d output error: " % channel
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        for acc in walk(win):
            if acc.getRoleName() == "label" and acc.name.startswith(prefix):
                text = acc.queryText().getText(0, -1)
                check(acc.name == prefix + text, "%r reads %r" % (acc.name, text))
                return text, "checked" in states(acc)
        pump(0.1)
    raise E2EFailure("no lamp of channel %d" % channel)


def wait_lamp(win, channel, text, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if lamp(win, channel)[0] == text:
            return
        pump(0.1)
    raise E2EFailure("channel %d's lamp reads %r, not %r" % (channel, lamp(win, channel)[0], text))


def answer_exit(panel, app):
    main = window(app, MAIN_WINDOW, prefix=True)
    press(main, "push button", "Close")
    box = window(app, EXIT_QUESTION, role="alert")
    check_window(box, EXIT_NAMES, "alert")
    press(box, "push button", "Yes")
    check(panel.wait_exit() == 0, "exit status %d" % panel.proc.returncode)


def accessibility_env():
    return {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}


def connected(binary):
    with Panel(binary, env_extra=accessibility_env()) as panel:
        # The toolkit joins an accessibility bus that starts after it; the
        # first question on screen says it is listening.
        panel.wait_window(FIRST_QUESTION)
        app = application()
        first = window(app, FIRST_QUESTION)
        check_window(first, FIRST_QUESTION_NAMES, "alert")
        press(first, "push button", "Enter Address")
        dialog = window(app, ADDRESS_DIALOG)
        check_window(dialog, ADDRESS_NAMES, "dialog")
        press(dialog, "push button", "Cancel")

        first = window(app, FIRST_QUESTION)
        press(first, "push button", "Auto Find")
        selection = window(app, FIRST_QUESTION, role="dialog")
        tree = find(selection, "tree", "Function Cards", timeout=30)
        check_window(selection, SELECTION_NAMES, "dialog")
        cards = [acc for acc in walk(tree)
                 if acc.getRoleName() == "table cell" and acc.name.startswith("FC ")]
        enabled = [(acc.name, "enabled" in states(acc)) for acc in cards]
        # The card of another model in VXI0::2 is greyed: disabled, too.
        check(enabled == [("FC 1", True), ("FC 3", True), ("FC 1", True), ("FC 2", False)],
              "cards and whether they are enabled: %r" % enabled)
        cards[2].queryAction().doAction(0)
        press(selection, "push button", "OK")

        main = window(app, MAIN_WINDOW, prefix=True)
        check_window(main, PANEL_NAMES + [("label", "Active: lit")], "frame")
        help_button = find(main, "push button", "What's This")
        check(help_button.description == "Show on-line help for Instrument Soft Front Panel "
              "components", "the ? button's description: %r" % help_button.description)
        check(find(main, "spin button", "Channel 6:").description
              == "Value to write to the DAC for channel 6.", "channel 6's description")
        check(lamp(main, 5) == ("unlit", False) and lamp(main, 6) == ("unlit", False),
              "lamps before: %r %r" % (lamp(main, 5), lamp(main, 6)))

        announced = []
        pyatspi.Registry.registerEventListener(
            lambda e: announced.append((e.source.name, e.type, e.detail1)),
            "object:state-changed:checked")
        writes = len(panel.calls("qm7240_writeChannel"))
        find(main, "spin button", "Channel 6:").queryValue().currentValue = 5.0
        last = panel.wait_calls("qm7240_writeChannel", writes + 1)[-1]
        check(last["channel"] == 6 and abs(last["value"] - 0.004999954) < 5e-10
              and last["status"] == 0, "the value set through AT-SPI: %r" % last)
        wait_lamp(main, 6, "lit")
        check(lamp(main, 6) == ("lit", True) and lamp(main, 5) == ("unlit", False),
              "lamps after: %r %r" % (lamp(main, 6), lamp(main, 5)))
        pump(0.5)
        check(("Channel 6 output error: lit", "object:state-changed:checked", 1) in announced,
              "no announcement of channel 6's lamp: %r" % announced)
        # A range chosen through the value interface reaches the card as one
        # chosen with the keys: group 1, the first range box, to 4-20mA.
        ranges = len(panel.calls("qm7240_setOutputRange"))
        find(main, "combo box", "Current Range: 0-24mA").queryValue().currentValue = 2
        sent = panel.wait_calls("qm7240_setOutputRange", ranges + 1)[-1]
        check((sent["group"], sent["range"], sent["status"]) == (1, 3, 0),
              "the range set through AT-SPI: %r" % sent)

        press(main, "push button", "About")
        about = window(app, ABOUT, prefix=True)
        check_window(about, ABOUT_NAMES, "dialog")
        for _, name in ABOUT_NAMES:
            link = find(about, "link", name)
            check("focusable" in states(link), "the link %r takes no focus" % name)
        press(about, "push button", "OK")
        answer_exit(panel, app)


def demo(binary):
    with Panel(binary, env_extra=accessibility_env(), args=["--demo"]) as panel:
        panel.wait_window(MAIN_WINDOW)
        app = application()
        main = window(app, MAIN_WINDOW)
        check_window(main, PANEL_NAMES + [("label", "Active: unlit")], "frame")
        check(main.description.startswith("Demo mode:"), "the demo window says %r" % main.description)
        answer_exit(panel, app)


SCENARIOS = {"connected": connected, "demo": demo}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("--scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    if args.scenario is None:
        # Each scenario in a session bus of its own.
        failed = 0
        for name in SCENARIOS:
            result = subprocess.run(["dbus-run-session", "--", sys.executable,
                                     os.path.abspath(__file__), "--panel", args.panel,
                                     "--scenario", name], timeout=600)
            failed += result.returncode != 0
        return 1 if failed else 0
    return run_case("accessibility " + args.scenario, SCENARIOS[args.scenario], args.panel)

if __name__ == "__main__":
    sys.exit(main())
