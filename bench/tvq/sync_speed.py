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
    device.timeout = 1800

    def server_cpu():
        with open(f"/proc/{server.process.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def timed(*extra):
        """Wall time, tvq's CPU time and the server's CPU time of one run, and tvq's trace line."""
        start, tvq_start, server_start = time.perf_counter(), os.times(), server_cpu()
        _, err = device.sync(*extra)
        tvq_end = os.times()
        tvq_cpu = tvq_end.children_user + tvq_end.children_system - tvq_start.children_user - tvq_start.children_system
        return time.perf_counter() - start, tvq_cpu, server_cpu() - server_start, err.strip().splitlines()[-1]

    wall, tvq_cpu, radicale_cpu, trace = timed(url)
    print(f"first sync of {count} tasks: {wall:.2f} s wall, tvq {tvq_cpu:.2f} s CPU, Radicale {radicale_cpu:.2f} s CPU"
          f" ({trace}); load average {os.getloadavg()[0]:.1f}")
    timed()  # takes the token after the first run's own writes
    wall, tvq_cpu, radicale_cpu, trace = min(timed() for _ in range(3))
    print(f"no-change run: {wall * 1000:.0f} ms wall, tvq {tvq_cpu * 1000:.0f} ms CPU, Radicale"
          f" {radicale_cpu * 1000:.0f} ms CPU ({trace})")
finally:
    server.stop()
