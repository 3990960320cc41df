#!/usr/bin/env python3
"""Signed-update benchmark, run by bench/signing/run.sh.

In the same rounds, under Wine, times inside the programs (Wine's start-up excluded):
the self-update of the stand-in launcher built without a key and of the same launcher
built with the test signing key, each for an up-to-date check and for a full update
to a launcher of SIZE bytes (the stand-in built with the test key, as version 1.0.0.3),
against one index signed by tools/publish_update.py (a build without a key ignores the
two extra keys). Reports what the signature check
adds: nothing on an up-to-date start (it runs only once an update is due), and on an
update the added time as a ratio to the whole update.

    bench_signing.py --unsigned A.exe --signed S.exe --published B.exe --bare BARE.exe
                     --port N --sign-key KEY.pem [--rounds R] [--size BYTES]
"""
import argparse
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "selfupdate"))
from bench_selfupdate import Bench  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    for name in ("--unsigned", "--signed", "--published", "--bare", "--sign-key"):
        parser.add_argument(name, required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--size", type=int, default=4 * 1048576)
    args = parser.parse_args()
    args.installed = args.unsigned
    bench = Bench(args)
    try:
        bench.prepare()
        with open(args.signed, "rb") as f:
            signed = f.read()
        unsigned = bench.installed

        def timed(program, update):
            bench.installed = program
            return bench.ours(update)

        print("== warming up")
        for program in (unsigned, signed):
            timed(program, False)
            timed(program, True)
        times = {key: [] for key in ("check", "check_signed", "update", "update_signed")}
        added = []
        print("== %d rounds (launcher of %.1f MiB)" % (args.rounds, len(bench.published) / 1048576.0))
        for round_number in range(1, args.rounds + 1):
            order = (unsigned, signed) if round_number % 2 else (signed, unsigned)
            result = {}
            for program in order:
                suffix = "_signed" if program is signed else ""
                result["check" + suffix] = timed(program, False)
                result["update" + suffix] = timed(program, True)
            for key, value in result.items():
                times[key].append(value)
            added.append((result["update_signed"] - result["update"]) / result["update_signed"])
            print("   round %d: check %.1f / %.1f ms signed; update %.1f / %.1f ms signed"
                  % (round_number, result["check"] * 1e3, result["check_signed"] * 1e3, result["update"] * 1e3,
                     result["update_signed"] * 1e3))
        median = {key: statistics.median(values) for key, values in times.items()}
        best = {key: min(values) for key, values in times.items()}
        print()
        print("== results: %d rounds, times inside the programs" % args.rounds)
        print("                                              best        median")
        for label, key in (("up-to-date check, no key", "check"), ("up-to-date check, with key", "check_signed"),
                           ("full update, no key", "update"), ("full update, with key", "update_signed")):
            print("   %-40s %8.1f ms  %8.1f ms" % (label, best[key] * 1e3, median[key] * 1e3))
        print("   up-to-date check, with key / no key     %8.2f     %8.2f  (the check does not run: expect 1)"
              % (best["check_signed"] / best["check"], median["check_signed"] / median["check"]))
        print("   signature check's share of an update    %8.2f     %8.2f  ((with key - no key) / with key;"
              " best times, median of per-round shares)"
              % ((best["update_signed"] - best["update"]) / best["update_signed"], statistics.median(added)))
    finally:
        bench.close()


if __name__ == "__main__":
    main()
