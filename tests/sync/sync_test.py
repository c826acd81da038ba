#!/usr/bin/python3
"""tvq sync against a real CalDAV server: Debian's Radicale on a free loopback port with its own storage and an
htpasswd user, and python3-caldav as the phone that creates, edits, completes and deletes items with properties
the list does not hold. A proxy between tvq and the server counts requests and steps in where a case needs it
(another writer before a PUT, a kill in the middle of a run, server failures).

Run by CTest with TVQ_BINARY set; TVQ_SYNC_SEED replays one seed of the model test."""

import http.client
import http.server
import json
import os
import random
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time
import unittest
import uuid

import caldav

TVQ = os.environ.get("TVQ_BINARY", "tvq")
USER, PASSWORD = "alice", "s3cret word"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Radicale:
    """The server, in a temporary folder, stopped by its pid."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tvq-radicale-")
        self.port = free_port()
        with open(os.path.join(self.dir, "users"), "w") as f:
            f.write(f"{USER}:{PASSWORD}\n")
        with open(os.path.join(self.dir, "config"), "w") as f:
            f.write(f"[server]\nhosts = 127.0.0.1:{self.port}\n"
                    f"[auth]\ntype = htpasswd\nhtpasswd_filename = {self.dir}/users\nhtpasswd_encryption = plain\n"
                    f"[storage]\nfilesystem_folder = {self.dir}/collections\n"
                    "[rights]\ntype = owner_only\n[logging]\nlevel = warning\n")
        self.log = open(os.path.join(self.dir, "log"), "w")
        self.process = subprocess.Popen(["/usr/bin/python3", "-m", "radicale", "--config", f"{self.dir}/config"],
                                        stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.time() + 20
        while True:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                break
            except OSError:
                if time.time() > deadline or self.process.poll() is not None:
                    raise RuntimeError("radicale did not start: " + open(self.log.name).read())
                time.sleep(0.05)
        self.base = f"http://127.0.0.1:{self.port}/{USER}/"

    def stop(self):
        os.kill(self.process.pid, signal.SIGTERM)
        self.process.wait(10)
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class Proxy(http.server.ThreadingHTTPServer):
    """Forwards every request to the server; `hook(method, path, count)` runs before a request is forwarded and
    may answer it itself by returning (status, headers, body)."""

    daemon_threads = True

    def __init__(self, target_port):
        self.target_port = target_port
        self.requests = []
        self.hook = None
        super().__init__(("127.0.0.1", 0), ProxyHandler)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def handle_error(self, request, client_address):
        pass  # a client killed on purpose leaves a broken connection behind

    def url(self, path):
        return f"http://127.0.0.1:{self.server_address[1]}{path}"


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def forward(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.server.requests.append((self.command, self.path))
        answer = self.server.hook(self.command, self.path, body) if self.server.hook else None
        if answer is None:
            connection = http.client.HTTPConnection("127.0.0.1", self.server.target_port, timeout=30)
            headers = {k: v for k, v in self.headers.items() if k.lower() not in ("connection", "keep-alive")}
            connection.request(self.command, self.path, body, headers)
            response = connection.getresponse()
            answer = (response.status, response.getheaders(), response.read())
            connection.close()
        status, headers, data = answer
        self.send_response(status)
        for name, value in headers:
            if name.lower() not in ("transfer-encoding", "connection", "content-length"):
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = forward


class Phone:
    """The other client: a CalDAV program that keeps properties of its own on every item it makes."""

    EXTRA = ("CATEGORIES:work,home\r\nX-PHONE-COLOR:#ff0000\r\nRRULE:FREQ=WEEKLY\r\n"
             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:remind\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n")

    def __init__(self, url):
        self.client = caldav.DAVClient(url, username=USER, password=PASSWORD)
        self.calendar = self.client.calendar(url=url)

    def add(self, summary, description=""):
        uid = str(uuid.uuid4())
        self.calendar.save_todo("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\nBEGIN:VTODO\r\n"
                                f"UID:{uid}\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:{summary}\r\n"
                                f"DESCRIPTION:{description}\r\nPRIORITY:5\r\n" + self.EXTRA +
                                "END:VTODO\r\nEND:VCALENDAR\r\n")
        return uid

    def items(self, completed=False):
        """Open items (or every item) as {uid: (summary, description, todo)}."""
        found = {}
        for todo in self.calendar.todos(include_completed=True):
            component = todo.icalendar_component
            done = str(component.get("STATUS", "")) == "COMPLETED" or "COMPLETED" in component
            if done and not completed:
                continue
            found[str(component["UID"])] = (str(component.get("SUMMARY", "")), str(component.get("DESCRIPTION", "")),
                                           todo)
        return found

    def edit(self, todo, **fields):
        component = todo.icalendar_component
        for name, value in fields.items():
            component.pop(name.upper(), None)
            component.add(name.upper(), value)
        todo.save()


class Device:
    """One machine: its own home, state folder and copy of the list file."""

    def __init__(self, root, name):
        self.home = os.path.join(root, name)
        for sub in ("config", "state", "runtime", "files"):
            os.makedirs(os.path.join(self.home, sub), mode=0o700)
        self.file = os.path.join(self.home, "files", "tasks.tvq")
        self.password_file = os.path.join(self.home, "password")
        with open(os.path.join(self.home, "password"), "w") as f:
            f.write(PASSWORD + "\n")
        os.chmod(self.password_file, 0o600)
        self.env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                        XDG_STATE_HOME=os.path.join(self.home, "state"),
                        XDG_RUNTIME_DIR=os.path.join(self.home, "runtime"), LANG="C.UTF-8", TZ="Asia/Tokyo")
        self.env.pop("TVQ_SYNC_TRACE", None)
        self.timeout = 120

    def tvq(self, *args, check=True, input_text=None):
        result = subprocess.run([TVQ, *args], env=self.env, capture_output=True, text=True, timeout=60,
                                input=input_text)
        if check and result.returncode != 0:
            raise AssertionError(f"tvq {' '.join(args)} -> {result.returncode}: {result.stderr}")
        return result

    def start_sync(self, url=None, *extra):
        args = [TVQ, "sync", self.file, "--user", USER, "--password-file", self.password_file, *extra]
        if url:
            args += ["--url", url]
        return subprocess.Popen(args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def sync(self, url=None, *extra, expect=0):
        process = self.start_sync(url, *extra)
        out, err = process.communicate(timeout=self.timeout)
        if process.returncode != expect:
            raise AssertionError(f"tvq sync -> {process.returncode} (expected {expect}): {err}")
        return out, err

    def tasks(self):
        if not os.path.exists(self.file):
            return []
        return json.loads(self.tvq("dump", self.file).stdout)["tasks"]

    def conflict_copies(self):
        folder = os.path.dirname(self.file)
        return [os.path.join(folder, n) for n in os.listdir(folder) if "(conflict " in n]

    def add(self, subject, memo="", at=None):
        args = ["add", self.file, "--subject", subject, "--memo", memo, "--due", "2030-01-15"]
        if at is not None:
            args += ["--at", str(at)]
        self.tvq(*args)


def side_by_side(device, phone):
    """The list's (subject, memo) and the server's open (SUMMARY, DESCRIPTION), each sorted."""
    listed = sorted((t["subject"], t["memo"]) for t in device.tasks())
    served = sorted((s, d) for s, d, _ in phone.items().values())
    return listed, served


class SyncTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Radicale()
        cls.principal = caldav.DAVClient(cls.server.base, username=USER, password=PASSWORD).principal()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tvq-sync-")
        name = "c" + uuid.uuid4().hex[:10]
        self.principal.make_calendar(name=name, cal_id=name, supported_calendar_component_set=["VTODO"])
        self.path = f"/{USER}/{name}/"
        self.url = self.server.base + name + "/"
        self.phone = Phone(self.url)
        self.proxy = Proxy(self.server.port)
        self.device = Device(self.root, "one")

    def tearDown(self):
        self.proxy.shutdown()
        self.proxy.server_close()
        shutil.rmtree(self.root, ignore_errors=True)

    def assertInStep(self, device=None):
        listed, served = side_by_side(device or self.device, self.phone)
        self.assertEqual(listed, served)

    # ---- the model test ------------------------------------------------------------------------------------

    def test_random_edits_on_both_sides_stay_in_step(self):
        seed = int(os.environ.get("TVQ_SYNC_SEED", random.randrange(1 << 30)))
        rounds = int(os.environ.get("TVQ_SYNC_ROUNDS", 14))
        rng = random.Random(seed)
        note = f"seed {seed} (TVQ_SYNC_SEED={seed} replays it)"
        written, deleted, counter, log = set(), set(), [0], []
        phone_made = set()

        def new_id(prefix):
            counter[0] += 1
            written.add(f"{prefix}{counter[0]}")
            return f"{prefix}{counter[0]}"

        def ident(subject):
            return subject.split(".")[0]

        for _ in range(4):
            self.device.add(new_id("L") + ".0", "memo")
        for round_ in range(rounds):
            for _ in range(rng.randint(1, 4)):
                tasks = self.device.tasks()
                open_items = sorted(self.phone.items().values(), key=lambda item: item[:2])  # replayable
                action = rng.choice(["add", "edit", "edit", "rm", "mv", "padd", "pedit", "pedit", "pdone", "pdel"])
                log.append(action)
                if action == "add":
                    self.device.add(new_id("L") + ".0", rng.choice(["", "m", "メモ"]), at=rng.randint(1, len(tasks) + 1))
                elif action == "edit" and tasks:
                    n = rng.randrange(len(tasks))
                    subject = tasks[n]["subject"]
                    option = rng.choice(["--subject", "--memo", "--priority"])
                    value = {"--subject": f"{ident(subject)}.{rng.randint(1, 99)}", "--memo": f"lm{rng.randint(1, 9)}",
                             "--priority": rng.choice(["A1", "B2", "C3"])}[option]
                    self.device.tvq("edit", self.device.file, str(n + 1), option, value)
                elif action == "rm" and tasks:
                    n = rng.randrange(len(tasks))
                    deleted.add(ident(tasks[n]["subject"]))
                    self.device.tvq("rm", self.device.file, str(n + 1))
                elif action == "mv" and len(tasks) > 1:
                    self.device.tvq("mv", self.device.file, str(rng.randint(2, len(tasks))), "up")
                elif action == "padd":
                    phone_made.add(self.phone.add(new_id("P") + ".0", rng.choice(["", "pm"])))
                elif action == "pedit" and open_items:
                    summary, _, todo = rng.choice(open_items)
                    if rng.random() < 0.5:
                        self.phone.edit(todo, summary=f"{ident(summary)}.{rng.randint(100, 199)}")
                    else:
                        self.phone.edit(todo, description=f"pm{rng.randint(1, 9)}")
                elif action == "pdone" and open_items:
                    summary, _, todo = rng.choice(open_items)
                    deleted.add(ident(summary))
                    todo.complete()
                elif action == "pdel" and open_items:
                    summary, _, todo = rng.choice(open_items)
                    deleted.add(ident(summary))
                    todo.delete()
            self.device.sync(self.url, "--force")
            log.append("sync")
            note = f"seed {seed} (TVQ_SYNC_SEED={seed} replays it), steps {' '.join(log[-12:])}"

            listed, served = side_by_side(self.device, self.phone)
            self.assertEqual(listed, served, f"round {round_}, {note}")
            ids = [ident(s) for s, _ in listed]
            self.assertEqual(len(ids), len(set(ids)), f"a task doubled in round {round_}: {listed}, {note}")
            kept = set(ids)
            for copy in self.device.conflict_copies():
                kept |= {ident(t["subject"]) for t in json.loads(self.device.tvq("dump", copy).stdout)["tasks"]}
            lost = written - deleted - kept
            self.assertFalse(lost, f"lost in round {round_}: {sorted(lost)}, {note}")
            # What the phone keeps on its items and the list does not hold survives every patch.
            for uid, (_, _, todo) in self.phone.items().items():
                if uid in phone_made:
                    data = todo.data
                    self.assertIn("X-PHONE-COLOR", data, note)
                    self.assertIn("BEGIN:VALARM", data, note)
                    self.assertIn("CATEGORIES", data, note)

    # ---- named cases ---------------------------------------------------------------------------------------

    def test_first_run_matches_equal_tasks_and_deletes_nothing(self):
        for i in range(5):
            self.device.add(f"shared {i}", "m")
        self.device.sync(self.url)
        # A second device (or a reinstall) with the same list and one task more, and one the server has not.
        other = Device(self.root, "two")
        shutil.copy(self.device.file, other.file)
        other.add("only on two")
        self.phone.add("only on the phone")
        other.sync(self.url)
        self.assertEqual(len(self.phone.items()), 7)
        self.assertInStep(other)
        self.device.sync()  # the URL is remembered
        self.assertInStep(self.device)
        self.assertEqual(len(self.device.tasks()), 7)
        # A first sync against a server holding tasks the list lacks takes them and removes none.
        third = Device(self.root, "three")
        third.add("only on three")
        third.sync(self.url)
        self.assertEqual(len(third.tasks()), 8)
        self.assertEqual(len(self.phone.items()), 8)

    def test_no_change_run_is_one_request_and_no_write(self):
        for i in range(3):
            self.device.add(f"task {i}")
        url = self.proxy.url(self.path)
        self.device.sync(url)
        self.phone.add("from the phone")
        self.device.sync(url)
        self.device.sync(url)  # takes the token after this run's own writes
        state = os.path.join(self.device.home, "state", "tarvelquist")
        before = {p: os.stat(os.path.join(state, p)).st_mtime_ns for p in os.listdir(state)}
        file_before = os.stat(self.device.file)
        self.proxy.requests.clear()
        out, _ = self.device.sync(url)
        self.assertEqual([m for m, _ in self.proxy.requests], ["REPORT"])
        self.assertEqual(out, "")
        after = os.stat(self.device.file)
        self.assertEqual((after.st_ino, after.st_mtime_ns), (file_before.st_ino, file_before.st_mtime_ns))
        self.assertEqual(before, {p: os.stat(os.path.join(state, p)).st_mtime_ns for p in os.listdir(state)})

    def test_mass_removal_stops_unless_forced(self):
        for i in range(10):
            self.device.add(f"task {i}")
        self.device.sync(self.url)
        for _ in range(7):
            self.device.tvq("rm", self.device.file, "1")
        listed = self.device.tasks()
        _, err = self.device.sync(None, expect=1)
        self.assertIn("would complete 7 of the server's 10", err)
        self.assertEqual(len(self.phone.items()), 10)
        self.assertEqual(self.device.tasks(), listed)
        self.device.sync(None, "--force")
        self.assertEqual(len(self.phone.items()), 3)
        self.assertEqual(len(self.phone.items(completed=True)), 10)  # completed, not deleted
        # The same from the server's side: the list keeps its tasks until forced.
        for i in range(6):
            self.device.add(f"more {i}")
        self.device.sync()
        for _, _, todo in list(self.phone.items().values())[:7]:
            todo.delete()
        _, err = self.device.sync(None, expect=1)
        self.assertIn("would remove 7 of the list's 9", err)
        self.assertEqual(len(self.device.tasks()), 9)
        self.device.sync(None, "--force")
        self.assertInStep()

    def test_precondition_failed_reads_the_item_again_and_merges(self):
        url = self.proxy.url(self.path)
        self.device.add("first", "list memo")
        self.device.sync(url)
        self.device.tvq("edit", self.device.file, "1", "--subject", "first, renamed in the list")
        (_, _, todo), = self.phone.items().values()
        self.proxy.requests.clear()
        puts = []

        def other_writer_first(method, path, body):
            if method == "PUT" and not puts:
                puts.append(path)
                self.phone.edit(todo, description="phone memo")  # between tvq's read and its write
            return None

        self.proxy.hook = other_writer_first
        self.device.sync(url)
        statuses = [m for m, _ in self.proxy.requests]
        self.assertEqual(statuses.count("PUT"), 2, statuses)
        self.assertEqual(self.device.tasks()[0]["memo"], "phone memo")
        (summary, description, _), = self.phone.items().values()
        self.assertEqual((summary, description), ("first, renamed in the list", "phone memo"))
        self.assertEqual(self.device.conflict_copies(), [])

    def test_the_list_changing_during_a_run_is_decided_again_and_the_window_is_not_kept_waiting(self):
        url = self.proxy.url(self.path)
        self.device.add("first")
        self.device.sync(url)
        self.device.tvq("edit", self.device.file, "1", "--memo", "edited before the run")
        self.phone.add("from the phone")
        edits = []

        def edit_during_the_run(method, path, body):
            if method == "PUT" and not edits:
                # The lock is free while the server is asked: another writer gets in at once.
                started = time.time()
                self.device.add("added during the run")
                edits.append(time.time() - started)
            return None

        self.proxy.hook = edit_during_the_run
        self.device.sync(url)
        self.assertEqual(len(edits), 1)
        self.assertLess(edits[0], 4)  # not the five seconds a held lock would make it wait
        self.assertInStep()
        subjects = sorted(t["subject"] for t in self.device.tasks())
        self.assertEqual(subjects, ["added during the run", "first", "from the phone"])
        self.assertEqual(self.device.tasks()[0]["memo"], "edited before the run")

    def test_same_field_on_both_sides_keeps_the_lists_version_as_a_conflict_copy(self):
        self.device.add("shared")
        self.device.sync(self.url)
        self.device.tvq("edit", self.device.file, "1", "--subject", "list's words")
        (_, _, todo), = self.phone.items().values()
        self.phone.edit(todo, summary="phone's words")
        _, err = self.device.sync()
        self.assertEqual(len(err.splitlines()), 1, err)
        self.assertIn("phone's words", err)
        self.assertEqual([t["subject"] for t in self.device.tasks()], ["phone's words"])
        (copy,) = self.device.conflict_copies()
        self.assertIn(copy, err)
        self.assertEqual([t["subject"] for t in json.loads(self.device.tvq("dump", copy).stdout)["tasks"]],
                         ["list's words"])

    def test_a_kill_at_any_moment_is_healed_by_the_next_run(self):
        rng = random.Random(int(os.environ.get("TVQ_SYNC_SEED", 7)))
        url = self.proxy.url(self.path)
        for i in range(6):
            self.device.add(f"base {i}")
        self.device.sync(url)
        for round_ in range(4):
            self.device.add(f"new {round_}")
            self.device.tvq("edit", self.device.file, "1", "--memo", f"edited {round_}")
            self.device.tvq("rm", self.device.file, str(len(self.device.tasks())))
            self.phone.add(f"phone {round_}")
            stop_at = rng.randint(1, 5)
            process_box = []

            def kill_after(method, path, body, stop_at=stop_at):
                if len(self.proxy.requests) >= stop_at and process_box:
                    os.kill(process_box[0].pid, signal.SIGKILL)
                    time.sleep(0.2)
                return None

            self.proxy.requests.clear()
            self.proxy.hook = kill_after
            process = self.device.start_sync(url, "--force")
            process_box.append(process)
            process.communicate(timeout=60)
            self.proxy.hook = None
            self.device.sync(url, "--force")
            listed, served = side_by_side(self.device, self.phone)
            self.assertEqual(listed, served, f"round {round_}, killed at request {stop_at}")
            self.assertEqual(len(listed), len(set(listed)), f"doubled after a kill at request {stop_at}")

    def test_a_run_that_stopped_before_the_file_or_the_state_is_finished_by_the_next(self):
        for i in range(6):
            self.device.add(f"base {i}", "m")
        self.device.sync(self.url)
        state_dir = os.path.join(self.device.home, "state", "tarvelquist")
        for lost in ("state", "file and state"):
            # Changes on both sides: an edit, a deletion and an addition each, and one task changed on both.
            self.device.add(f"list adds ({lost})")
            self.device.tvq("edit", self.device.file, "1", "--memo", f"list memo ({lost})")
            self.device.tvq("rm", self.device.file, "2")
            items = sorted(self.phone.items().values(), key=lambda item: item[0])
            self.phone.edit(items[-1][2], summary=f"phone renames ({lost})")
            self.phone.add(f"phone adds ({lost})")
            with open(self.device.file, "rb") as f:
                old_file = f.read()
            old_state = {}
            for name in os.listdir(state_dir):
                with open(os.path.join(state_dir, name), "rb") as f:
                    old_state[name] = f.read()
            self.device.sync()
            expected = side_by_side(self.device, self.phone)
            # As if the run had been killed before writing them: the old state (and the old file) again.
            for name, data in old_state.items():
                with open(os.path.join(state_dir, name), "wb") as f:
                    f.write(data)
            if lost == "file and state":
                with open(self.device.file, "wb") as f:
                    f.write(old_file)
            self.device.sync()
            self.assertEqual(side_by_side(self.device, self.phone), expected, lost)
            self.assertEqual(self.device.conflict_copies(), [])

    def test_refusals_and_failures_are_one_message_and_exit_one(self):
        self.device.add("kept")
        original = self.device.tasks()
        bad = Device(self.root, "bad")
        with open(bad.password_file, "w") as f:
            f.write("wrong\n")
        shutil.copy(self.device.file, bad.file)
        _, err = bad.sync(self.url, expect=1)
        self.assertIn("401", err)
        self.assertEqual(len(err.strip().splitlines()), 1)
        _, err = self.device.sync(self.server.base + "missing/", expect=1)
        self.assertIn("404", err)
        result = self.device.tvq("sync", self.device.file, "--url", "http://example.org/dav/", check=False)
        self.assertEqual(result.returncode, 2)
        self.assertIn("https://", result.stderr)
        os.chmod(self.device.password_file, 0o644)
        _, err = self.device.sync(self.url, expect=2)
        self.assertIn("chmod 600", err)
        os.chmod(self.device.password_file, 0o600)
        for status, headers in ((503, []), (302, [("Location", "https://elsewhere.example/dav/")])):
            self.proxy.hook = lambda method, path, body: (status, headers, b"")
            _, err = self.device.sync(self.proxy.url(self.path), expect=1)
            self.assertIn(str(status), err)
            self.assertEqual(len(err.strip().splitlines()), 1)
        self.proxy.hook = lambda method, path, body: time.sleep(3)  # a server that stops answering
        self.device.env["TVQ_SYNC_TIMEOUT"] = "1"
        _, err = self.device.sync(self.proxy.url(self.path), expect=1)
        self.assertIn("no answer within 1 seconds", err)
        del self.device.env["TVQ_SYNC_TIMEOUT"]
        self.proxy.hook = None
        for url in (f"http://127.0.0.1:{free_port()}/dav/", f"https://127.0.0.1:{self.server.port}/{USER}/"):
            _, err = self.device.sync(url, expect=1)  # nobody listening; no TLS where TLS is expected
            self.assertEqual(len(err.strip().splitlines()), 1, err)
        self.assertEqual(self.device.tasks(), original)  # nothing was written by any of them
        self.assertEqual(self.phone.items(), {})


if __name__ == "__main__":
    unittest.main(verbosity=2)
