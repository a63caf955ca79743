#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""korvane-cli's live latency and CPU at the meter's rate, for the Linux build and for the
Windows build under wine, measured the same way from outside.

The virtual meter runs paced like a 9600 baud line on a pseudo-terminal; with --wine the CLI
reaches it through a wine COM port. Latency runs from the meter's "answered 0x23" (told on its
stderr once the frame's last byte is written) to the CLI's line for that frame on stdout, both
stamped by this script as they arrive. CPU is the CLI's own process over the run (and, under wine, wineserver's) as a
share of one core.

  measure-cli.py --cli build/release/cli/korvane-cli --sim build/release/sim/korvane-meter-sim
  measure-cli.py --wine --cli build/windows/cli/korvane-cli.exe --sim build/release/sim/korvane-meter-sim
"""
import argparse
import os
import pathlib
import selectors
import statistics
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent


def cpu_seconds(pid):
    try:
        text = pathlib.Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return None
    fields = text[text.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def pids_named(name):
    found = []
    for entry in pathlib.Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                if name in (entry / "cmdline").read_bytes().decode(errors="replace"):
                    found.append(int(entry.name))
            except OSError:
                pass
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--wine", action="store_true", help="the CLI is a Windows program")
    parser.add_argument("--seconds", type=float, default=60)
    args = parser.parse_args()

    work = tempfile.TemporaryDirectory()
    env = dict(os.environ)
    if args.wine:
        env["WINEPREFIX"] = os.path.join(work.name, "wine")
        subprocess.run([str(HERE / "wine-run.sh"), args.cli, "--version"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        link = os.path.join(env["WINEPREFIX"], "dosdevices", "com5")
        port = "COM5"
    else:
        link = os.path.join(work.name, "meter")
        port = link

    sim = subprocess.Popen([args.sim, "--link", link, "--verbose"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE)
    while not os.path.islink(link):
        time.sleep(0.05)
    command = [args.cli, "--ports", port, "live"]
    if args.wine:
        command = [str(HERE / "wine-run.sh")] + command
    cli = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    selector = selectors.DefaultSelector()
    selector.register(sim.stderr, selectors.EVENT_READ, "sim")
    selector.register(cli.stdout, selectors.EVENT_READ, "cli")
    answered, printed = [], []
    buffers = {"sim": b"", "cli": b""}
    start = time.monotonic()
    cpu_start = None
    wineserver = []
    while time.monotonic() - start < args.seconds:
        for key, _ in selector.select(timeout=0.5):
            chunk = os.read(key.fileobj.fileno(), 65536)
            now = time.monotonic()
            buffers[key.data] += chunk
            *lines, buffers[key.data] = buffers[key.data].split(b"\n")
            for line in lines:
                if key.data == "sim" and line.strip() == b"answered 0x23":
                    answered.append(now)
                elif key.data == "cli" and line.strip():
                    printed.append(now)
        if cpu_start is None and len(printed) >= 4:
            # From the first frames on: the start-up (and wine's) is not the steady state.
            cpu_start = (time.monotonic(), cpu_seconds(cli.pid))
            wineserver = [(p, cpu_seconds(p)) for p in pids_named("wineserver")] if args.wine else []
    cpu_end = (time.monotonic(), cpu_seconds(cli.pid))
    wineserver_used = sum((cpu_seconds(p) or 0) - (c or 0) for p, c in wineserver)
    cli.terminate()
    sim.terminate()
    cli.wait()
    sim.wait()

    # Each printed line with the answer nearest to it: the meter tells of its answer only after
    # the last byte went out, and the CLI may have printed the frame by then (a latency below
    # zero is one shorter than the meter's own telling).
    latencies = []
    for at in printed[2:]:
        if answered:
            nearest = min(answered, key=lambda a: abs(a - at))
            latencies.append((at - nearest) * 1000)
    if not latencies or cpu_start is None or cpu_start[1] is None:
        print("no frames measured", file=sys.stderr)
        return 1
    latencies.sort()
    p99 = latencies[min(len(latencies) - 1, int(0.99 * len(latencies)))]
    span = cpu_end[0] - cpu_start[0]
    print(f"frames {len(latencies)}: latency median {statistics.median(latencies):.2f} ms, "
          f"p99 {p99:.2f} ms, max {latencies[-1]:.2f} ms")
    print(f"CPU over {span:.0f} s: the CLI {100 * (cpu_end[1] - cpu_start[1]) / span:.2f} % of "
          f"one core" + (f", wineserver {100 * wineserver_used / span:.2f} %" if args.wine else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
