#!/usr/bin/python3
"""The real program read as a screen reader reads it, through AT-SPI.

Started by tests/a11y/run_atspi_test.sh inside its own session bus and X server. Starts tarvelquist with its own
HOME, settings, documents and runtime folders and a remembered file of three tasks, then, as an AT-SPI client:
finds the application, reads the task table's headers, rows and cells and the command bar buttons' names,
selects a row and deletes it with the delete button's Press action, opens the editor with the edit button's
Press action and finds its labelled fields, cancels it and opens it again, and finally sends SIGTERM: the program must cancel the editor,
save the list and end with status 0.

Usage: atspi_reads_the_list.py TARVELQUIST TVQ
Exit status: 0 passed, 1 failed, 77 skipped (pyatspi missing).
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
Atspi = None  # gi.repository.Atspi, imported by main
TIMEOUT = 20  # seconds for anything to appear
CALL_TIMEOUTS = (10000, 15000)  # ms for one call, and for calls while an application starts


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it gives a true value, which it returns."""
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        try:
            value = probe()
            if value:
                return value
        except Exception as error:  # the tree changes under the client while the program works
            last_error = error
        time.sleep(0.2)
    raise Failure(f"timed out waiting for {what}" + (f" (last error: {last_error})" if last_error else ""))


def expect(condition, message):
    if not condition:
        raise Failure(message)


def make_task_file(tvq, path):
    tasks = [
        ["--subject", "牛乳を買う", "--due", "2008-03-15", "--priority", "A1", "--memo", "低脂肪"],
        ["--subject", "Report", "--due", "none", "--priority", "P0"],
        ["--subject", "third", "--due", "2009-12-01", "--priority", "C3", "--memo", "z"],
    ]
    for task in tasks:
        subprocess.run([tvq, "add", path] + task, check=True, timeout=30)


def subjects_in(tvq, path):
    dumped = subprocess.run([tvq, "dump", path], check=True, timeout=30, capture_output=True, text=True)
    data = json.loads(dumped.stdout)
    tasks = data["tasks"] if isinstance(data, dict) else data
    return [task["subject"] for task in tasks]


def program_environment(root, remembered):
    folders = {name: os.path.join(root, name) for name in ("home", "config", "documents", "runtime")}
    for folder in folders.values():
        os.makedirs(folder, mode=0o700, exist_ok=True)
    settings = os.path.join(folders["config"], "VORNAKEL")
    os.makedirs(settings, exist_ok=True)
    with open(os.path.join(settings, "Tarvelquist.conf"), "w", encoding="utf-8") as conf:
        conf.write(f"[Recent%20File%20List]\nFile_tvq={remembered}\n")
    env = dict(os.environ)
    env.update({
        "HOME": folders["home"],
        "XDG_CONFIG_HOME": folders["config"],
        "XDG_DOCUMENTS_DIR": folders["documents"],
        "XDG_RUNTIME_DIR": folders["runtime"],
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "LANG": "ja_JP.UTF-8",
        "LC_ALL": "ja_JP.UTF-8",
    })
    return env


def find_application(pyatspi, pid):
    def probe():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                return app
        return None
    return wait_for("the program on the accessibility bus", probe)


def descendants(pyatspi, root, role, name=None):
    return pyatspi.findAllDescendants(
        root, lambda node: node is not None and node.getRole() == role and (name is None or node.name == name))


def press(pyatspi, button):
    """Press through the button's action. The program answers at once and runs the command afterwards, so even a
    command that opens a modal dialog does not hold up the call."""
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    expect("Press" in names, f"button {button.name} offers no Press action: {names}")
    Atspi.set_timeout(2000, 2000)
    try:
        action.doAction(names.index("Press"))
    finally:
        Atspi.set_timeout(*CALL_TIMEOUTS)


def check_table(pyatspi, app):
    table_node = wait_for("the task table", lambda: next(iter(descendants(pyatspi, app, pyatspi.ROLE_TABLE)), None))
    table = table_node.queryTable()
    wait_for("three rows", lambda: table.nRows == 3)
    expect(table.nColumns == 4, f"the table has {table.nColumns} columns")
    headers = [table.getColumnHeader(c).name for c in range(4)]
    expect(headers == ["件名", "期限", "!", "メモ"], f"headers {headers}")
    rows = [[table.getAccessibleAt(r, c).name for c in range(4)] for r in range(3)]
    expected = [["牛乳を買う", "2008/03/15", "A1", "低脂肪"], ["Report", "期限なし", "P0", ""],
                ["third", "2009/12/01", "C3", "z"]]
    expect(rows == expected, f"rows {rows}")
    cell = table.getAccessibleAt(1, 0)
    expect(cell.getRole() in (pyatspi.ROLE_TABLE_CELL,), f"a cell's role is {cell.getRoleName()}")
    return table_node, table


def check_buttons(pyatspi, app):
    names = [button.name for button in descendants(pyatspi, app, pyatspi.ROLE_PUSH_BUTTON)]
    for name in ("メニュー", "編集", "上へ", "下へ", "挿入", "削除", "バージョン情報"):
        expect(name in names, f"no button named {name}; buttons: {names}")


def button(pyatspi, app, name):
    found = descendants(pyatspi, app, pyatspi.ROLE_PUSH_BUTTON, name)
    expect(found, f"no button {name}")
    return found[0]


def run(program, tvq, root):
    import pyatspi  # checked by main
    Atspi.set_timeout(*CALL_TIMEOUTS)

    task_file = os.path.join(root, "tasks.tvq")
    make_task_file(tvq, task_file)
    env = program_environment(root, task_file)
    process = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        app = find_application(pyatspi, process.pid)
        table_node, table = check_table(pyatspi, app)
        check_buttons(pyatspi, app)

        # Select the last row as a reader does, and delete it with the button's Press action.
        table.addRowSelection(2)
        wait_for("row 2 selected", lambda: table.isRowSelected(2))
        press(pyatspi, button(pyatspi, app, "削除"))
        wait_for("two rows after the delete", lambda: table.nRows == 2)
        expect(table.getAccessibleAt(1, 0).name == "Report", "row 1 after the delete")

        # The editor opened by Press: its fields are named by their labels. Cancelled, it is gone from what a
        # reader finds; opened again (its window kept in between), it is found and read as the first time.
        def subject_field():
            return pyatspi.findDescendant(
                app, lambda node: node is not None and node.name == "件名：" and
                node.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY) and
                node.getState().contains(pyatspi.STATE_SHOWING))

        for opening in ("first", "second"):
            table.addRowSelection(0)  # an edit, even a cancelled one, builds its row anew, unselected
            wait_for("row 0 selected", lambda: table.isRowSelected(0))
            press(pyatspi, button(pyatspi, app, "編集"))
            wait_for(f"the editor's subject field, {opening} opening", subject_field)
            expect(pyatspi.findDescendant(app, lambda node: node is not None and node.name == "期限：") is not None,
                   "the editor's due date is not named 期限：")
            if opening == "first":
                press(pyatspi, button(pyatspi, app, "キャンセル"))
                wait_for("the cancelled editor gone", lambda: subject_field() is None)

        # SIGTERM with the editor open: it is cancelled, the list saved, the program ends with status 0.
        process.send_signal(signal.SIGTERM)
        try:
            status = process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within 30 s of SIGTERM")
        output = process.stdout.read().decode(errors="replace")
        expect(status == 0, f"the program ended with status {status}; its output:\n{output}")
        saved = subjects_in(tvq, task_file)
        expect(saved == ["牛乳を買う", "Report"], f"the saved list holds {saved}")
    except Exception:
        if process.poll() is None:
            process.kill()
        print("the program's output:\n" + process.communicate(timeout=10)[0].decode(errors="replace"))
        raise
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=10)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    try:
        import pyatspi  # noqa: F401
        global Atspi
        from gi.repository import Atspi
    except ImportError:
        print("SKIP: python3-pyatspi is not installed")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="tvq-atspi-") as root:
        try:
            run(sys.argv[1], sys.argv[2], root)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    print("passed: the table's rows and cells, the buttons' names, Press on delete and edit, SIGTERM saved")
    return 0


if __name__ == "__main__":
    sys.exit(main())
