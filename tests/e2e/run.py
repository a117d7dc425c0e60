#!/usr/bin/env python3
"""Runs one module of the end-to-end tests against a built veltrano.exe:

    python3 run.py --exe veltrano.exe --helper vlt-test-windows.exe --work DIR [--runs N] [--cycles N] MODULE

The display and the Wine prefix come from DISPLAY and WINEPREFIX (script/test and script/soak set them up).
"""
import argparse
import os
import shutil
import sys
import unittest


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, help="the veltrano.exe under test")
    parser.add_argument("--helper", required=True, help="vlt-test-windows.exe")
    parser.add_argument("--work", required=True, help="a folder for the tests' copies of the exe")
    parser.add_argument("--runs", type=int, help="repetitions of each timed fault (default 3)")
    parser.add_argument("--cycles", type=int, help="hide/restore cycles of the soak (default 30)")
    parser.add_argument("--report", help="a file that receives every measurement line as well")
    parser.add_argument("module", help="test_journeys, test_faults, test_bad_input or test_soak")
    args = parser.parse_args()
    for name in ("DISPLAY", "WINEPREFIX"):
        if not os.environ.get(name):
            sys.exit(f"{name} is not set: run the tests through script/test or script/soak")
    work = os.path.join(os.path.abspath(args.work), args.module)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    os.environ.update({"VELTRANO_EXE": os.path.abspath(args.exe), "VELTRANO_HELPER": os.path.abspath(args.helper),
                       "VELTRANO_E2E_WORK": work})
    if args.runs is not None:
        os.environ["VELTRANO_E2E_RUNS"] = str(args.runs)
    if args.cycles is not None:
        os.environ["VELTRANO_SOAK_CYCLES"] = str(args.cycles)
    if args.report:
        os.environ["VELTRANO_E2E_REPORT"] = os.path.abspath(args.report)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    suite = unittest.defaultTestLoader.loadTestsFromName(args.module)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
