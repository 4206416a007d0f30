"""The main window's keys, menus, batch and preview as a person meets them,
through real pointer and key events. Esc, the menus, the close during a batch
and the UTC note are tried without a window manager and again under openbox,
when it is installed; the rest once.

Usage: window_as_a_user.py PROGRAM FIXTURES SCREENSHOT_DIR
Runs with the system's python3 (pyatspi) inside a D-Bus session."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from desktop import (answer, centre, choose_menu, choose_path, click, click_at, extents, focus, gone, labels,
                     nodes, poll, press, program, screen_gray, screenshot, search, sensitive, showing, text_of, wait_for,
                     whole_screen, window, within, xdotool)

TITLE = "Orlevane"
LONG = "long.mp4"  # 20 s: still stamping while the user acts
RUNS = []


def fail(message):
    raise SystemExit(message)


class Run:
    """One start of the program in a home of its own."""

    def __init__(self, binary, home, shots):
        self.home, self.shots = home, shots
        for folder in ("in", "out"):
            os.makedirs(os.path.join(home, folder), exist_ok=True)
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config", LOCALAPPDATA=f"{home}/data",
                   TEMP=f"{home}/tmp")
        wait_for(lambda: program() is None, "the last run to leave the desktop")
        self.process = subprocess.Popen([binary], env=env)
        RUNS.append(self.process)
        self.main = window("frame", TITLE)

    def shot(self, node, name):
        screenshot(node, os.path.join(self.shots, f"{name}.png"))

    def key(self, *keys):
        """Keys as the main window gets them, with the keyboard on it."""
        focus(TITLE)
        xdotool("key", *keys)

    def ended(self, timeout=60):
        try:
            return self.process.wait(timeout=timeout) == 0
        except subprocess.TimeoutExpired:
            return False


def absent(role, title, seconds=1.5):
    """True when no such window shows up within `seconds`."""
    return poll(lambda: search(program(), role, title), seconds) is None


def question(run, text, reply):
    """Esc on the main window must ask `text`; answered with `reply`."""
    run.key("Escape")
    answer("alert", "Warning", reply, text)


def add(run, path, note_reply=None):
    """Add; an empty path cancels the chooser. The UTC note is answered with
    `note_reply`: a key, or a button."""
    press(run.main, "Add")
    if path:
        choose_path("Select Files to Stamp", path)
    else:
        window("file chooser", "Select Files to Stamp")
        focus("Select Files to Stamp")
        xdotool("key", "Escape")
        gone("file chooser", "Select Files to Stamp")
    if note_reply is None:
        return
    note = window("frame", "About UTC")
    click(search(note, "check box", "Do not display this message again."))
    if note_reply == "OK":
        press(note, "OK")
    else:
        focus("About UTC")
        xdotool("key", note_reply)
    gone("frame", "About UTC")


def menu_and_escape(run, menu, keys):
    """Opens a menu with the mouse, or with `keys`, and closes it with Esc:
    that closes the menu, and asks nothing."""
    if keys:
        run.key(*keys)
    else:
        click(search(run.main, "menu", menu))
    wait_for(lambda: any(showing(n) for n in nodes(search(run.main, "menu", menu)) if n.getRoleName() != "menu"),
             f"the menu '{menu}' to open")
    xdotool("key", "Escape")
    if not absent("alert", "Warning"):
        fail(f"Esc on the {menu} menu opened with {keys or 'the mouse'} asked to exit")


def stamp(run):
    press(run.main, "Browse")
    choose_path("Select Output Folder", os.path.join(run.home, "out"))
    press(run.main, "Stamp")
    wait_for(lambda: sensitive(search(run.main, "push button", "Stop")), "the batch to start")


def frames(path):
    return subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                           "stream=nb_read_packets", "-of", "csv=p=0", path],
                          capture_output=True, text=True).stdout.strip()


def escape_and_close(binary, fixtures, home, shots, managed):
    """Esc after the UTC note, on the menus, during and after a batch, and
    the close confirmed during a batch."""
    run = Run(binary, home, shots)
    source = os.path.join(home, "in", LONG)
    shutil.copy(os.path.join(fixtures, LONG), source)
    # Esc on the note, and its close box, keep it and the settings
    # unmodified: Esc asks only "Exit?", and the next Add shows the note again.
    for keys in ("Escape", "alt+F4") if managed else ("Escape",):
        add(run, None, keys)
    question(run, "Exit Wuvo?", "Cancel")
    for menu, keys in (("Project", None), ("View", None), ("Project", ("alt+p",))):
        menu_and_escape(run, menu, keys)
    add(run, source, "OK")
    stamp(run)
    run.shot(run.main, "stamping")
    # The question comes first, and staying leaves the batch running.
    question(run, "Save changes before exiting?", "Cancel")
    report = window("alert", "Information")
    if "All files stamped successfully!" not in labels(report):
        fail(f"the batch kept on after Cancel reported {labels(report)}")
    answer("alert", "Information", "OK")
    output = os.path.join(home, "out", LONG)
    if frames(output) != frames(source):
        fail(f"the output has {frames(output)} frames, its input {frames(source)}")
    # Esc right after the report, as after a click on a disabled Stamp.
    question(run, "Save changes before exiting?", "Cancel")
    press(run.main, "Stamp")
    question(run, "Save changes before exiting?", "No")
    if not run.ended():
        screenshot(whole_screen(), os.path.join(shots, "not_closed.png"))
        fail("confirming the exit during a batch did not close the program")


def start_openbox():
    """A window manager on the test's display, when one is installed."""
    if shutil.which("openbox") is None:
        return None
    manager = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: subprocess.run(["xdotool", "search", "--classname", "openbox"],
                                    capture_output=True).returncode == 0, "openbox to manage the display")
    return manager


def main():
    binary, fixtures, shots = sys.argv[1:4]
    signal.signal(signal.SIGTERM, lambda *_: fail("stopped"))
    shots = os.path.join(shots, "window_as_a_user")
    shutil.rmtree(shots, ignore_errors=True)
    os.makedirs(shots)
    home = tempfile.mkdtemp()
    manager = None
    try:
        escape_and_close(binary, fixtures, os.path.join(home, "bare"), shots, False)
        manager = start_openbox()
        if manager is not None:
            escape_and_close(binary, fixtures, os.path.join(home, "managed"), shots, True)
    except SystemExit:
        screenshot(whole_screen(), os.path.join(shots, "failed.png"))
        raise
    finally:
        for process in RUNS + [manager]:
            if process is not None and process.poll() is None:
                process.kill()
        shutil.rmtree(home)


if __name__ == "__main__":
    main()
