#!/usr/bin/env python3
"""Whole-process times, as a user meets them, for one or more builds measured side by side in one run:

  window   the window mapped on an X server (Xvfb), started with a 100,000-task file to reopen
  list     `tvq list` of a 10,000-task file
  add      `tvq add` to a copy of a 10,000-task file

Prints the median in milliseconds of each figure for each build. The builds take turns run by run, so that
a machine whose speed drifts (other work, frequency changes) weighs on all of them alike.

Usage: bench/cli/startup.py [--runs N] BUILD_DIR [BUILD_DIR ...]
Needs Xvfb and libX11 for the window figure (skipped without them). Goals: window <= 90 ms, list <= 8 ms,
add <= 5 ms.
"""

import argparse
import ctypes
import ctypes.util
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


def spawn(argv, env, stdout=None):
    """Starts argv without a shell (posix_spawn: the timing carries no fork of this interpreter)."""
    actions = []
    if stdout is not None:
        actions.append((os.POSIX_SPAWN_DUP2, stdout, 1))
    return os.posix_spawn(argv[0], argv, env, file_actions=actions)


def timed_run(argv, env):
    """Milliseconds from start to exit; the output goes to /dev/null. Raises when the program fails."""
    with open(os.devnull, "wb") as null:
        start = time.perf_counter_ns()
        pid = spawn(argv, env, null.fileno())
        _, status = os.waitpid(pid, 0)
        elapsed = (time.perf_counter_ns() - start) / 1e6
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{argv} failed with {status}")
    return elapsed


class XServer:
    """An Xvfb of its own, and a connection that sees every top-level window being mapped."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(self.display.encode())
        if not self.dpy:
            raise RuntimeError("cannot connect to " + self.display)
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy), SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.dpy)
        self.fd = self.x.XConnectionNumber(self.dpy)

    def drain(self):
        event = (ctypes.c_long * 24)()
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, event)

    def wait_for_map(self, timeout):
        """Blocks until a top-level window that is not override-redirect is mapped; False on timeout."""
        event = (ctypes.c_long * 24)()
        deadline = time.monotonic() + timeout
        while True:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, event)
                # XMapEvent: type, serial, send_event, display, event, window, override_redirect
                if event[0] & 0xFFFFFFFF == MAP_NOTIFY and event[6] & 0xFFFFFFFF == 0:
                    return True
            left = deadline - time.monotonic()
            if left <= 0:
                return False
            select.select([self.fd], [], [], left)

    def close(self):
        self.process.terminate()
        self.process.wait()


def window_ms(server, program, work, task_file):
    """Starts the window with task_file to reopen; milliseconds until its window is mapped."""
    config = os.path.join(work, "window-config")
    os.makedirs(os.path.join(config, "VORNAKEL"), exist_ok=True)
    with open(os.path.join(config, "VORNAKEL", "Tarvelquist.conf"), "w") as settings:
        settings.write("[Recent File List]\nFile_tvq=" + task_file + "\n")
    runtime = tempfile.mkdtemp(dir=work)
    os.chmod(runtime, 0o700)
    env = dict(os.environ, DISPLAY=server.display, QT_QPA_PLATFORM="xcb", HOME=work, XDG_CONFIG_HOME=config,
               XDG_RUNTIME_DIR=runtime, XDG_DOCUMENTS_DIR=os.path.join(work, "documents"))
    env.pop("WAYLAND_DISPLAY", None)
    server.drain()
    start = time.perf_counter_ns()
    pid = spawn([program], env)
    mapped = server.wait_for_map(30)
    elapsed = (time.perf_counter_ns() - start) / 1e6
    os.kill(pid, signal.SIGKILL)  # nothing to save: the list is unchanged
    os.waitpid(pid, 0)
    shutil.rmtree(runtime, ignore_errors=True)
    if not mapped:
        raise RuntimeError(program + ": no window within 30 s")
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=int(os.environ.get("TVQ_BENCH_RUNS", "30")))
    parser.add_argument("builds", nargs="+")
    options = parser.parse_args()
    builds = [os.path.abspath(build) for build in options.builds]

    work = tempfile.mkdtemp(prefix="tvq-startup-")
    try:
        files = {}
        for count in (10000, 100000):
            files[count] = os.path.join(work, f"tasks-{count}.tvq")
            subprocess.run([os.path.join(builds[0], "bin", "tvq_bench"), "--make-file", files[count], str(count)],
                           check=True)
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "tvq-config"), COLUMNS="120")
        server = None
        if shutil.which("Xvfb") and ctypes.util.find_library("X11"):
            server = XServer()
        else:
            print("Xvfb or libX11 missing: the window is not measured")

        times = {build: {"window": [], "list": [], "add": []} for build in builds}
        for run in range(options.runs + 3):  # the first three warm the caches and are not counted
            for build in builds:
                tvq = os.path.join(build, "bin", "tvq")
                copy = os.path.join(work, "add.tvq")
                shutil.copyfile(files[10000], copy)
                figures = {
                    "list": timed_run([tvq, "list", files[10000]], env),
                    "add": timed_run([tvq, "add", copy, "--subject", "Buy milk", "--priority", "B1"], env),
                }
                if server:
                    figures["window"] = window_ms(server, os.path.join(build, "bin", "tarvelquist"), work,
                                                  files[100000])
                if run >= 3:
                    for name, value in figures.items():
                        times[build][name].append(value)
        if server:
            server.close()

        goals = {"window": 90, "list": 8, "add": 5}
        titles = {"window": "window mapped, 100,000 tasks", "list": "tvq list, 10,000 tasks",
                  "add": "tvq add, 10,000 tasks"}
        for name in ("window", "list", "add"):
            for build in builds:
                values = times[build][name]
                if values:
                    print(f"{titles[name]:30} {statistics.median(values):7.1f} ms  (goal <= {goals[name]})  {build}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
