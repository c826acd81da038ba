#!/usr/bin/python3
"""tvq sync against a local Radicale: the first sync of N tasks (default 1,000) and a run with nothing to do.
Usage: bench/tvq/sync_speed.py BUILD_DIR [N]. Prints wall times (best of three for the no-change run) and the
requests each made (TVQ_SYNC_TRACE)."""

import json
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "sync"))
import sync_test  # noqa: E402  (the test's Radicale and device helpers)
import caldav  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
sync_test.TVQ = os.path.abspath(os.path.join(build, "bin", "tvq"))

server = sync_test.Radicale()
try:
    principal = caldav.DAVClient(server.base, username=sync_test.USER, password=sync_test.PASSWORD).principal()
    principal.make_calendar(name="bench", cal_id="bench", supported_calendar_component_set=["VTODO"])
    url = server.base + "bench/"
    device = sync_test.Device(tempfile.mkdtemp(prefix="tvq-sync-bench-"), "bench")
    tasks = [{"subject": f"task {i}", "priority": "B2", "memo": f"memo {i}\r\nsecond line"} for i in range(count)]
    device.tvq("import", device.file, "--format", "json", input_text=json.dumps({"tasks": tasks}))
    device.env["TVQ_SYNC_TRACE"] = "1"

    def timed(*extra):
        start = time.perf_counter()
        _, err = device.sync(*extra)
        return time.perf_counter() - start, err.strip().splitlines()[-1]

    first, trace = timed(url)
    print(f"first sync of {count} tasks: {first:.2f} s ({trace})")
    timed()  # takes the token after the first run's own writes
    runs = [timed() for _ in range(3)]
    best = min(runs)
    print(f"no-change run: {best[0] * 1000:.0f} ms ({best[1]})")
finally:
    server.stop()
