#!/usr/bin/python3
"""A VISA client nobody here wrote, Debian's pyvisa, on the built libvisa:
lists a simulated system, parses and opens every resource under the spellings
a user types, reads its attributes, and compares every VI_ constant of visa.h
with pyvisa's.

    test_pyvisa.py --visa <libvisa.so> --header <visa.h>

Runs on Debian's python (/usr/bin/python3), which has python3-pyvisa.
"""

import argparse
import json
import os
import re
import sys
import tempfile
import warnings

sys.dont_write_bytecode = True

try:
    import pyvisa
    from pyvisa import constants
    from pyvisa.errors import VisaIOError, VisaIOWarning
except ImportError as error:
    sys.exit("test_pyvisa: %s; script/bootstrap installs python3-pyvisa" % error)

# Written partly as users type names: the search must list them as written.
SYSTEM = """\
resources:
  - descriptor: "VXI0::2::INSTR"
    slot: 2
    logical_address: 2
  - descriptor: "GPIB-VXI0::3::INSTR"
    slot: 3
  - descriptor: "GPIB0::5::INSTR"
  - descriptor: "ASRL1::INSTR"
  - descriptor: "PXI0::10::INSTR"
  - descriptor: "TCPIP0::192.168.2.100::INSTR"
    tcpip_address: "192.168.2.100"
    hostname: "lxi-carrier"
  - descriptor: "tcpip1::LXI-Carrier.example::hislip0"
    tcpip_address: "192.168.2.101"
    hostname: "lxi-carrier.example"
  - descriptor: "TCPIP0::10.0.0.9::5025::SOCKET"
    tcpip_address: "10.0.0.9"
  - descriptor: "USB::0x0AAD::470::sn-7240"
"""

# descriptor, interface type, board, class, expanded name, attributes the file gives, and
# whether pyvisa's resource classes can open it. They rewrite a name they can read before they
# open it, and pyvisa 1.11 turns GPIB0::5::INSTR into GPIB0::5::0::INSTR (secondary address 0,
# another device on the bus) and GPIB-VXI0::3::INSTR into a GPIB name, which no VISA opens as
# the same resource.
RESOURCES = [
    ("VXI0::2::INSTR", constants.InterfaceType.vxi, 0, "INSTR", "VXI0::2::INSTR",
     {constants.VI_ATTR_SLOT: 2, constants.VI_ATTR_VXI_LA: 2}, True),
    ("GPIB-VXI0::3::INSTR", constants.InterfaceType.gpib_vxi, 0, "INSTR", "GPIB-VXI0::3::INSTR",
     {constants.VI_ATTR_SLOT: 3}, False),
    ("GPIB0::5::INSTR", constants.InterfaceType.gpib, 0, "INSTR", "GPIB0::5::INSTR", {}, False),
    ("ASRL1::INSTR", constants.InterfaceType.asrl, 1, "INSTR", "ASRL1::INSTR", {}, True),
    ("PXI0::10::INSTR", constants.InterfaceType.pxi, 0, "INSTR", "PXI0::10::0::INSTR", {}, True),
    ("TCPIP0::192.168.2.100::INSTR", constants.InterfaceType.tcpip, 0, "INSTR",
     "TCPIP0::192.168.2.100::inst0::INSTR",
     {constants.VI_ATTR_TCPIP_ADDR: "192.168.2.100",
      constants.VI_ATTR_TCPIP_HOSTNAME: "lxi-carrier"}, True),
    ("tcpip1::LXI-Carrier.example::hislip0", constants.InterfaceType.tcpip, 1, "INSTR",
     "TCPIP1::lxi-carrier.example::hislip0::INSTR",
     {constants.VI_ATTR_TCPIP_ADDR: "192.168.2.101",
      constants.VI_ATTR_TCPIP_HOSTNAME: "lxi-carrier.example"}, True),
    ("TCPIP0::10.0.0.9::5025::SOCKET", constants.InterfaceType.tcpip, 0, "SOCKET",
     "TCPIP0::10.0.0.9::5025::SOCKET", {constants.VI_ATTR_TCPIP_ADDR: "10.0.0.9"}, True),
    ("USB::0x0AAD::470::sn-7240", constants.InterfaceType.usb, 0, "INSTR",
     "USB0::0x0AAD::0x01D6::sn-7240::0::INSTR", {}, True),
]

# Read on every resource; the ones the file does not give must fail as unsupported.
OPTIONAL_ATTRIBUTES = [constants.VI_ATTR_SLOT, constants.VI_ATTR_VXI_LA,
                       constants.VI_ATTR_TCPIP_ADDR, constants.VI_ATTR_TCPIP_HOSTNAME]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def status_of(call, *args):
    """The status a pyvisa call answers: 0 when it returns, the error code when it raises."""
    try:
        call(*args)
        return 0
    except VisaIOError as error:
        return error.error_code


def spellings(descriptor, board):
    """The name as listed, in lower case, and (on board 0) without the board number."""
    names = [descriptor, descriptor.lower()]
    if board == 0:
        names.append(re.sub(r"^([A-Za-z]+(?:-[A-Za-z]+)?)0*(?=::|$)", r"\1", descriptor))
    return names


def check_attributes(name, read, intf, board, rsrc_class, descriptor, attributes):
    opened = (read(constants.VI_ATTR_INTF_TYPE), read(constants.VI_ATTR_INTF_NUM),
              read(constants.VI_ATTR_RSRC_CLASS), read(constants.VI_ATTR_RSRC_NAME))
    check(opened == (intf, board, rsrc_class, descriptor), "%r opened %r" % (name, opened))
    for attribute in OPTIONAL_ATTRIBUTES:
        if attribute in attributes:
            value = read(attribute)
            check(value == attributes[attribute], "%r: attribute 0x%08X is %r, not %r"
                  % (name, attribute, value, attributes[attribute]))
        else:
            status = status_of(read, attribute)
            check(status == constants.VI_ERROR_NSUP_ATTR,
                  "%r: attribute 0x%08X the file does not give answered %d"
                  % (name, attribute, status))


def check_resource(rm, descriptor, intf, board, rsrc_class, expanded, attributes, classes_open):
    # Every spelling goes to the library as typed: pyvisa's library layer passes it on, while
    # its resource classes would rewrite it first (and read "::instr" as a LAN device name).
    for name in spellings(descriptor, board):
        info = rm.resource_info(name, extended=True)
        check((info.interface_type, info.interface_board_number, info.resource_class,
               info.resource_name, info.alias) == (intf, board, rsrc_class, expanded, None),
              "viParseRsrcEx(%r) gave %r" % (name, info))
        short = rm.resource_info(name, extended=False)
        check((short.interface_type, short.interface_board_number) == (intf, board),
              "viParseRsrc(%r) gave %r" % (name, short))
        session, _ = rm.visalib.open(rm.session, name)
        check_attributes(name, lambda attribute: rm.visalib.get_attribute(session, attribute)[0],
                         intf, board, rsrc_class, descriptor, attributes)
        rm.visalib.close(session)

    if classes_open:
        resource = rm.open_resource(descriptor)
        check(resource.interface_type == intf, "%r opened as %s with interface type %r"
              % (descriptor, type(resource).__name__, resource.interface_type))
        check_attributes(descriptor, resource.get_visa_attribute, intf, board, rsrc_class,
                         descriptor, attributes)
        resource.close()


def header_constants(path):
    """Every #define VI_... of visa.h, with the value C gives it after its cast."""
    defined = {}
    pattern = re.compile(r"#define\s+(VI_\w+)\s+(.+?)\s*(?:/\*.*)?$")
    for line in open(path, encoding="ascii"):
        match = pattern.match(line)
        if match:
            defined[match.group(1)] = match.group(2)
    values = {}
    for name, text in defined.items():
        target = text.strip("()")
        if target in defined:   # an alias such as VI_ERROR_INV_SESSION
            text = defined[target]
        cast = re.match(r"\(\((\w+)\)\s*(\w+)\)$", text)
        type_name, literal = cast.groups() if cast else (None, text)
        value = int(re.sub(r"[uUlL]+$", "", literal), 0)
        if type_name in ("ViStatus", "ViInt32") and value >= 1 << 31:
            value -= 1 << 32
        values[name] = (value, target if target in defined else None)
    return values


def check_constants(path):
    values = header_constants(path)
    check(len(values) > 50, "only %d VI_ constants read from %s" % (len(values), path))
    for name, (value, alias_of) in sorted(values.items()):
        # pyvisa lacks some of the standard's aliases; one is right when its target is.
        lookup = alias_of if alias_of and not hasattr(constants, name) else name
        known = getattr(constants, lookup, None)
        check(known is not None, "%s is not a VISA constant pyvisa knows" % name)
        check(known is None or int(known) == value,
              "%s is %d in visa.h, %r in pyvisa" % (name, value, known))


def check_journal(path):
    lines = [json.loads(line) for line in open(path, encoding="utf-8")]
    calls = {line["call"] for line in lines}
    for needed in ("viParseRsrc", "viParseRsrcEx", "viOpen", "viGetAttribute", "viDisableEvent",
                   "viDiscardEvents", "viClose"):
        check(needed in calls, "pyvisa made no %s call (journal: %s)" % (needed, sorted(calls)))
    check(all("status" in line and "dur_ms" in line for line in lines),
          "a journal line without status or duration")
    opened = [line["session"] for line in lines if line["call"] == "viOpen" and line["status"] == 0]
    closed = {line["session"] for line in lines if line["call"] == "viClose"}
    expected = sum(len(spellings(r[0], r[2])) + r[6] for r in RESOURCES)
    check(len(opened) == expected, "%d sessions opened, not %d" % (len(opened), expected))
    check(set(opened) <= closed, "sessions left open: %s" % sorted(set(opened) - closed))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--visa", required=True)
    parser.add_argument("--header", required=True)
    args = parser.parse_args()
    # A VISA warning where none belongs fails the test instead of scrolling past.
    warnings.simplefilter("error", VisaIOWarning)

    with tempfile.TemporaryDirectory(prefix="test_pyvisa-") as folder:
        system = os.path.join(folder, "system.yaml")
        journal = os.path.join(folder, "journal.jsonl")
        with open(system, "w", encoding="ascii") as out:
            out.write(SYSTEM)
        os.environ["VISA_SIM_FILE"] = system
        os.environ["VISA_SIM_JOURNAL"] = journal

        rm = pyvisa.ResourceManager(args.visa)
        listed = rm.list_resources("?*")
        check(listed == tuple(r[0] for r in RESOURCES), "listed %r" % (listed,))
        check(rm.list_resources() == tuple(r[0] for r in RESOURCES if r[3] == "INSTR"),
              "listed as instruments %r" % (rm.list_resources(),))
        for resource in RESOURCES:
            check_resource(rm, *resource)

        for name, expected in (("VXI0::9::INSTR", constants.VI_ERROR_RSRC_NFOUND),
                               ("tcpip::192.168.2.100::hislip0", constants.VI_ERROR_RSRC_NFOUND),
                               ("VXI0::256::INSTR", constants.VI_ERROR_INV_RSRC_NAME),
                               ("TCPIP::10.0.0.9::5025", constants.VI_ERROR_INV_RSRC_NAME)):
            status = status_of(rm.open_resource, name)
            check(status == expected, "opening %r answered %d, not %d" % (name, status, expected))
            status = status_of(rm.visalib.parse_resource, rm.session, name)
            check(status == expected, "parsing %r answered %d, not %d" % (name, status, expected))
        rm.close()
        check_journal(journal)

    check_constants(args.header)

    for failure in failures:
        print("FAIL: " + failure)
    print("test_pyvisa: %d failed checks" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
