#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpora in fuzz/corpus/: a few meaningful inputs per target.

Run from anywhere: python3 fuzz/make_corpus.py. The files are committed; run it again only
after changing an input format or adding a seed.
"""
import struct
from pathlib import Path

CORPUS = Path(__file__).resolve().parent / "corpus"


def frame(ftype, sub=0, fields=()):
    """A 20-byte frame: type, sub-index, then (position, bytes) pairs; the rest zero."""
    b = bytearray(20)
    b[0], b[1] = ftype, sub
    for pos, data in fields:
        b[pos:pos + len(data)] = data
    return bytes(b)


def q(value, next_byte=None):
    """A two-byte quantity, low byte first, optionally with its range, sign or code byte."""
    data = struct.pack("<H", value)
    return data + (bytes([next_byte]) if next_byte is not None else b"")


PHASE = frame(0, 0, [(2, q(2309, 3)), (5, q(125, 0)), (8, q(850, 1)), (11, q(1234, 1)),
                     (14, q(56, 0)), (17, q(2890, 4))])
PHASE_SUB2_NEGATIVE = frame(0, 2, [(2, q(65535, 2)), (5, q(7, 3)), (8, q(999, 2)),
                                   (11, q(1, 6)), (14, q(300, 2)), (17, q(5, 9))])
TOTALS = frame(0, 3, [(8, q(920, 1)), (11, q(4500, 3)), (14, q(120, 5)), (17, q(46, 4))])
VOLTAGES = frame(1, 0, [(1, q(2301, 3)), (4, q(2299, 3)), (7, q(23050, 2)), (10, q(15, 0)),
                        (13, q(500))])
ANGLES = frame(2, 0, [(10, q(0)), (12, q(1200)), (14, q(2400)), (16, q(3599)), (18, b"\x01")])
TYPE3 = frame(3, 1, [(2, q(2310, 3)), (5, q(42, 0)), (8, q(1000, 1)), (11, q(777, 0)),
                     (14, q(65535, 4)), (17, bytes([13, 5, 59]))])
UNKNOWN = frame(9, 9, [(2, q(1))])


def blocks(*parts):
    out = bytearray()
    for p in parts:
        out += bytes([len(p)]) + p
    return bytes(out)


def string(text=None, kind=0, raw=None, times_log2=None):
    """One writers string: [length << 2 | kind][data], then 00 for once or FF k for 2^k times."""
    if raw is None:
        raw = {0: lambda t: t.encode("utf-8"),
               1: lambda t: t.encode("utf-16-le"),
               2: lambda t: t.encode("latin-1"),
               3: lambda t: t.encode("utf-32-le")}[kind](text)
    unit = {0: 1, 1: 2, 2: 1, 3: 4}[kind]
    length = len(raw) // unit
    assert length < 64, text
    repeat = bytes([0]) if times_log2 is None else bytes([0xFF, times_log2])
    return bytes([length << 2 | kind]) + raw + repeat


# fuzz_link operations, in the order of the Op enum.
FEED, FEED_REPEATED, FIRE, TICK, TAB, READ, OPEN_RESULT, UNPLUG, GO = range(9)


def feed(data):
    out = bytearray()
    for at in range(0, len(data), 255):
        piece = data[at:at + 255]
        out += bytes([FEED, len(piece)]) + piece
    return bytes(out)


def connect_on(port):
    return (bytes([OPEN_RESULT, port - 1, 0]) + bytes([TICK]) * port
            + feed(bytes.fromhex("d55555")) + bytes([TICK]))


def write(name, files):
    folder = CORPUS / name
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    for file_name, data in files.items():
        (folder / file_name).write_bytes(data)


def main():
    write("liveframe", {
        "phase": blocks(PHASE),
        "phase-sub2-negative-overload": blocks(PHASE_SUB2_NEGATIVE),
        "totals": blocks(TOTALS),
        "voltages": blocks(VOLTAGES),
        "angles": blocks(ANGLES),
        "type3": blocks(TYPE3),
        "every-type-in-turn": blocks(PHASE, VOLTAGES, ANGLES, TYPE3, TOTALS, UNKNOWN),
        "short-then-whole": blocks(PHASE[:10], VOLTAGES[:14], ANGLES[:18], VOLTAGES + b"\xff" * 5),
        "unknown-type": blocks(UNKNOWN, b"\x09", b""),
    })

    def dump(count, records):
        return struct.pack("<H", count) + b"".join(records)

    write("recdecode", {
        "one-phase-record": dump(1, [PHASE]),
        "every-type": dump(6, [PHASE, TOTALS, VOLTAGES, ANGLES, TYPE3, PHASE_SUB2_NEGATIVE]),
        "count-above-dump": dump(10, [TYPE3, ANGLES, UNKNOWN]),
        "count-below-dump": dump(2, [VOLTAGES, VOLTAGES, TOTALS]),
        "count-zero": dump(0, [PHASE]),
        "trailing-half-record": dump(3, [ANGLES, TYPE3]) + PHASE[:11],
        "unknown-type-keeps-cells": dump(3, [PHASE, UNKNOWN, TYPE3]),
    })

    three = VOLTAGES + ANGLES + TYPE3
    write("link", {
        "connect-and-live-frames": connect_on(3) + bytes([TICK]) + feed(VOLTAGES)
        + bytes([TICK]) + feed(PHASE[:7]) + feed(PHASE[7:]) + bytes([TICK]) + feed(TYPE3),
        "connect-and-download": connect_on(1) + bytes([TAB, 1, READ])
        + feed(bytes.fromhex("05050300")) + bytes([TICK]) + feed(three)
        + bytes([TICK, TAB, 0, TICK]) + feed(ANGLES),
        "download-of-200-records": connect_on(2) + bytes([TAB, 1, READ])
        + feed(bytes.fromhex("0505c800")) + bytes([TICK, FEED_REPEATED, 199, 20]) + TOTALS,
        "meter-silent-mid-download": connect_on(1) + bytes([TAB, 1, READ])
        + feed(bytes.fromhex("05050500")) + bytes([TICK]) + feed((three + PHASE)[:50])
        + bytes([TICK]) * 6,
        "malformed-then-zero-count": connect_on(1) + bytes([TAB, 1, READ])
        + feed(bytes.fromhex("05040300")) + bytes([TICK, READ]) + feed(bytes.fromhex("05050000")),
        "late-keep-alive-before-count": connect_on(1) + bytes([TAB, 1, TICK, READ])
        + feed(bytes.fromhex("5555050502")) + feed(b"\x00") + bytes([TICK]) + feed(TYPE3 + ANGLES),
        "port-in-use-then-lost": bytes([OPEN_RESULT, 0, 1, OPEN_RESULT, 4, 0]) + bytes([TICK]) * 5
        + feed(bytes.fromhex("d55555")) + bytes([TICK]) * 8,
        "malformed-count-then-more-bytes": connect_on(1) + bytes([TAB, 1, READ])
        + feed(bytes.fromhex("05040300")) * 2 + feed(bytes.fromhex("05050300"))
        + bytes([TICK]) * 6,
        "read-again-then-zero-count": connect_on(1) + bytes([TAB, 1, READ])
        + feed(bytes.fromhex("05050300")) + bytes([READ]) + feed(bytes.fromhex("05050000"))
        + bytes([TICK]) * 2,
        "read-during-search": bytes([OPEN_RESULT, 0, 0, OPEN_RESULT, 1, 0, TICK, TAB, 1, READ])
        + feed(bytes.fromhex("05050200")) + bytes([TICK]) + feed(bytes.fromhex("d55555")),
        "unplugged-mid-download-then-back": connect_on(2) + bytes([TAB, 1, READ])
        + feed(bytes.fromhex("05050300")) + bytes([TICK]) + feed(three[:30])
        + bytes([UNPLUG, TICK, TICK]) + feed(bytes.fromhex("d55555")) + bytes([TICK]),
        "silent-then-back-on-its-port": connect_on(3) + bytes([TICK]) * 7
        + feed(bytes.fromhex("d55555")) + bytes([TICK]) + feed(VOLTAGES),
        "download-while-logging": connect_on(1) + bytes([TAB, 3, TICK]) + feed(VOLTAGES[:7])
        + bytes([READ, TICK]) + feed(VOLTAGES[7:]) + bytes([TICK])
        + feed(bytes.fromhex("05050300")) + bytes([TICK]) + feed(ANGLES) + bytes([GO, 1, TICK])
        + feed(bytes.fromhex("05050300")) + bytes([TICK]) + feed(three) + bytes([TICK]),
        "download-while-logging-cancelled": connect_on(1) + bytes([TAB, 3, TICK]) + feed(TYPE3)
        + bytes([READ, TICK]) + feed(bytes.fromhex("05050200")) + bytes([GO, 0, TAB, 1, TICK]),
    })

    heading = ["NO:1", "U1", "I1", "PF1", "P1", "Q1", "S1"]
    values = ["", "230.9V", "12.5A", "0.85", "1.234kW", "OLkvar", "28.9VA"]
    angles_head = ["NO:2", "U1\u00b0", "U2\u00b0", "U3\u00b0", "I\u00b0", "phase", ""]
    angles = ["", "0\u00b0", "120\u00b0", "240\u00b0", "359.9\u00b0", "normal", ""]
    table = b"".join(string(t) for t in heading + values + angles_head + angles)
    live = ["U1: ", "I1: ", "PF1: ", "P1: ", "Q1: ", "S1: ",
            "230.9V", "12.5A", "-0.85", "1.234kW", "OLkvar", "28.9VA"]
    write("writers", {
        "record-table": bytes([4]) + table,
        "live-view": bytes([0]) + b"".join(string(t) for t in live),
        "csv-quoting": bytes([2]) + b"".join(string(t) for t in [
            "a,b", 'say "hi"', "two\r\nlines", "\n", "\r", '"', ",", " lead", "trail ", "",
            "x" * 40, "NO:1", "tab\there", "\u00e9t\u00e9"]),
        "long-first-cells": bytes([4]) + b"".join(string(t) for t in [
            "x" * 30, "a", "b", "c", "", "", "", "y" * 12, "1", "2", "3", "", "", "",
            "z" * 9, "p", "q", "r", "", "", "", "w" * 60, "", "", "", "", "", ""]),
        "huge-cell": bytes([2]) + string("0123456789abcdef,\"", times_log2=14) + string("NO:1"),
        "other-encodings": bytes([1]) + string("\u00b0C \u6e29\u5ea6", kind=1)
        + string(kind=1, raw=b"\x00\xd8\x41\x00\x00\xdc") + string("\U0001F50B ok", kind=3)
        + string("caf\u00e9", kind=2) + string(kind=0, raw=b"\xff\xfe\xc3"),
    })


if __name__ == "__main__":
    main()
