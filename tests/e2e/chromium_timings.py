#!/usr/bin/env python3
"""Measures the Chromium back-end as a person meets it, for docs/performance.md: the time from
Return in the address bar to the navigation's completion for a local page, and the frames per
second the page window shows while a tall page scrolls under the wheel. Nothing here is a test.

    DISPLAY=:N WINEPREFIX=... chromium_timings.py --bin BUILD/bin [--runs 21] [--scrolls 5] [--notch-ms 20]

Run it the way scripts/test runs the end-to-end tests (its own Xvfb and the display's prefix)."""

import argparse
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import trov_e2e  # noqa: E402
from test_chromium import PAGES, HeadlessChromium, PageServer  # noqa: E402
from trov_e2e import Trov, wait_until, windows_path  # noqa: E402

# A page long enough for every wheel notch to move new content into view.
PAGES["/scroll.html"] = ("<body style='margin:0'><div style='height:40000px;"
                         "background:repeating-linear-gradient(#00a050 0 300px, #a000a0 300px 600px)'></div>")


def frame_times(path):
    try:
        return [float(line.split()[1]) for line in Path(path).read_text().splitlines() if line.startswith("frame ")]
    except FileNotFoundError:
        return []


def time_navigations(trov, server, runs):
    """Seconds from the Return key to the NavigationCompleted line, one per run."""
    times = []
    for run in range(runs):
        path = f"/red.html?run={run}"
        url = server.url(path)
        trov.fill_bar(f"127.0.0.1:{server.port}{path}")
        mark = trov.mark()
        started = time.monotonic()
        trov.key("Return")
        wait_until(lambda: f"NavigationCompleted {url}" in trov.since(mark), 20, f"completion of {url}",
                   interval=0.002)
        times.append(time.monotonic() - started)
    return times


def frames_while_scrolling(trov, frame_log, notches, down, notch_ms):
    """Frames per second shown while the wheel turns `notches` times, one every `notch_ms`."""
    before = len(frame_times(frame_log))
    started = time.monotonic()
    trov.xdotool("click", "--repeat", notches, "--delay", notch_ms, "5" if down else "4")
    # The frames of the last notches may still be on their way.
    wait_until(lambda: len(frame_times(frame_log)) > before, 5, "a frame")
    time.sleep(0.3)
    frames = frame_times(frame_log)[before:]
    span = frames[-1] - frames[0] if len(frames) > 1 else 0
    return len(frames), time.monotonic() - started, (len(frames) - 1) / (span / 1000) if span > 0 else 0.0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--scrolls", type=int, default=5)
    parser.add_argument("--notch-ms", type=int, default=20, help="time between two wheel notches")
    args = parser.parse_args()
    trov_e2e.CONFIG["bin"] = str(Path(args.bin).resolve())
    trov_e2e.warm_up_wine()

    workdir = Path(tempfile.mkdtemp(prefix="trov-timings-"))
    server = PageServer(workdir)
    chromium = HeadlessChromium()
    frame_log = workdir / "frames.log"
    trov = Trov("timings", {"TROV_ENGINE_CHROMIUM": chromium.endpoint, "TROV_ENGINE_FRAME_LOG": windows_path(frame_log)})
    try:
        trov.start()
        trov.wait_log(f"NavigationCompleted {trov_e2e.HOME_URL}", 0, timeout=30)
        time_navigations(trov, server, 3)  # warm-up: connections, caches
        times = time_navigations(trov, server, args.runs)
        print(f"Return to NavigationCompleted, {args.runs} runs: median {statistics.median(times) * 1000:.0f} ms, "
              f"min {min(times) * 1000:.0f} ms, max {max(times) * 1000:.0f} ms")

        trov.fill_bar(f"127.0.0.1:{server.port}/scroll.html")
        trov.key("Return")
        trov.wait_log(f"NavigationCompleted {server.url('/scroll.html')}", 0, timeout=20)
        trov.click(600, 400)  # the wheel goes to the window with the focus
        rates = []
        for run in range(args.scrolls):
            count, seconds, rate = frames_while_scrolling(trov, frame_log, 100, run % 2 == 0, args.notch_ms)
            rates.append(rate)
            print(f"  scrolling 100 notches, one every {args.notch_ms} ms: {count} frames in {seconds:.2f} s, "
                  f"{rate:.1f} frames/s")
        print(f"frames per second while scrolling, {args.scrolls} runs: median {statistics.median(rates):.1f}, "
              f"min {min(rates):.1f}, max {max(rates):.1f}")
        idle = len(frame_times(frame_log))
        time.sleep(2)
        print(f"frames in 2 s with nothing moving: {len(frame_times(frame_log)) - idle}")
    finally:
        trov.stop()
        chromium.stop()
        server.stop()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    main()
