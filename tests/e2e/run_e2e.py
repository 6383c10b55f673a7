#!/usr/bin/env python3
"""End-to-end tests of trov.exe under Wine: run with DISPLAY set and the project's Wine prefix
for that display (scripts/test provides both).

    run_e2e.py --bin BUILD/bin [-k PATTERN] [-v]

On a failure the screen and the engine log are saved to BUILD/e2e-artifacts/<test>.png and .log."""

import argparse
import shutil
import sys
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

import trov_e2e  # noqa: E402


class ArtifactResult(unittest.TextTestResult):
    """Saves what the screen and the engine showed when a test failed, while its process still runs."""

    def startTest(self, test):
        self._started = time.monotonic()
        super().startTest(test)

    def stopTest(self, test):
        super().stopTest(test)
        self.stream.writeln(f"    ({time.monotonic() - self._started:.1f}s)")

    def _save(self, test):
        save = getattr(test, "save_artifacts", None)
        if save:
            save()

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._save(test)

    def addError(self, test, err):
        super().addError(test, err)
        self._save(test)

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self._save(test)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True, help="the build's bin directory with trov.exe and trov_inspector.exe")
    parser.add_argument("-k", dest="patterns", action="append", help="run only tests whose name contains this")
    args = parser.parse_args()

    bin_dir = Path(args.bin).resolve()
    for name in ("trov.exe", "trov_inspector.exe", "WebView2Loader.dll"):
        if not (bin_dir / name).exists():
            print(f"e2e: {bin_dir / name} is missing: build first", file=sys.stderr)
            return 2
    artifacts = bin_dir.parent / "e2e-artifacts"
    shutil.rmtree(artifacts, ignore_errors=True)  # only this run's failures are left there
    trov_e2e.CONFIG["bin"] = str(bin_dir)
    trov_e2e.CONFIG["artifacts"] = str(artifacts)

    try:
        trov_e2e.warm_up_wine()
    except (RuntimeError, AssertionError) as error:
        print(f"e2e: {error}", file=sys.stderr)
        return 1

    loader = unittest.TestLoader()
    if args.patterns:
        loader.testNamePatterns = [f"*{p}*" for p in args.patterns]
    suite = loader.discover(str(HERE), pattern="test_*.py", top_level_dir=str(HERE))
    started = time.monotonic()
    runner = unittest.TextTestRunner(verbosity=2, resultclass=ArtifactResult, stream=sys.stdout)
    result = runner.run(suite)
    # Counted per test: several failed subtests are one failed test; an error in a class's set-up
    # (which runs none of its tests) counts as one failure of its own.
    failed_ids = {getattr(test, "test_case", test).id() for test, _ in result.failures + result.errors}
    failed_tests = {getattr(test, "test_case", test).id() for test, _ in result.failures + result.errors
                    if isinstance(getattr(test, "test_case", test), unittest.TestCase)}
    failed = len(failed_ids) + len(result.unexpectedSuccesses)
    passed = (result.testsRun - len(failed_tests) - len(result.unexpectedSuccesses) - len(result.skipped)
              - len(result.expectedFailures))
    print(f"e2e: {passed} passed, {failed} failed in {time.monotonic() - started:.0f}s")
    if result.testsRun == 0:
        print("e2e: no test ran", file=sys.stderr)
        return 1
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
