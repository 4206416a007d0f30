"""Drives the real program as a person would, through the desktop's
accessibility tree: adds three camera files through the file chooser (one of
them damaged), picks the output folder, presses Stamp, photographs the window
while it stamps and the report it ends with, and closes the program.

Usage: stamp_as_a_user.py SCREENSHOT_DIR OUTPUT_DIR FILE...
Prints the report's text. Runs with the system's python3 (pyatspi)."""
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 60


def wait_for(find, what, timeout=TIMEOUT):
    end = time.time() + timeout
    while time.time() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    raise SystemExit(f"gave up waiting for {what}")


def search(node, role, name, depth=0):
    if node is None or depth > 30:
        return None
    try:
        if node.getRoleName() == role and (name is None or node.name == name):
            return node
        children = list(node)
    except Exception:  # a node that went away while we looked
        return None
    for child in children:
        found = search(child, role, name, depth + 1)
        if found is not None:
            return found
    return None


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "wuvo":
            return app
    return None


def window(role, title):
    return wait_for(lambda: search(program(), role, title), f"the {role} '{title}'")


def gone(role, title):
    wait_for(lambda: None if search(program(), role, title) else True, f"the {role} '{title}' to close")


def click(node):
    # A real pointer click: actions through the accessibility bus would wait
    # for the modal dialogs they open.
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x, y = box.x + box.width // 2, box.y + box.height // 2
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"], check=True)


def press(owner, label):
    click(wait_for(lambda: search(owner, "push button", label), f"the button '{label}'"))


def screenshot(node, path):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    display = subprocess.run(["printenv", "DISPLAY"], capture_output=True, text=True).stdout.strip()
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "x11grab", "-video_size",
                    f"{box.width}x{box.height}", "-i", f"{display}+{box.x},{box.y}", "-frames:v", "1", path],
                   check=True)


def choose_path(title, path):
    """Types a path into a GTK chooser as pasted text; typed keys would be
    completed by the chooser."""
    chooser = window("file chooser", title)
    # Without a window manager a new window is not given the keyboard.
    subprocess.run(["xdotool", "search", "--name", f"^{title}$", "windowfocus", "--sync"], check=True)
    subprocess.run(["xdotool", "key", "ctrl+l"], check=True)
    entry = wait_for(lambda: focused_text(chooser), "the chooser's location field")
    entry.queryEditableText().setTextContents(path)
    time.sleep(0.3)
    press(chooser, "Open")
    gone("file chooser", title)


def focused_text(node, depth=0):
    if node is None or depth > 30:
        return None
    try:
        if node.getRoleName() == "text" and node.getState().contains(pyatspi.STATE_FOCUSED):
            return node
        children = list(node)
    except Exception:
        return None
    for child in children:
        found = focused_text(child, depth + 1)
        if found is not None:
            return found
    return None


def labels(node, depth=0):
    if node is None or depth > 30:
        return []
    found = [node.name] if node.getRoleName() == "label" and node.name else []
    for child in node:
        found += labels(child, depth + 1)
    return found


def main():
    shots, output, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    main_window = window("frame", "Orlevane")
    for index, path in enumerate(files):
        press(main_window, "Add")
        choose_path("Select Files to Stamp", path)
        if "damaged" in path:
            # The preview cannot open it, and says so.
            error = window("alert", "Error")
            press(error, "OK")
            gone("alert", "Error")
        if index == 0:
            note = window("frame", "About UTC")
            click(search(note, "check box", "Do not display this message again."))
            press(note, "OK")
            gone("frame", "About UTC")
    press(main_window, "Browse")
    choose_path("Select Output Folder", output)
    press(main_window, "Stamp")
    time.sleep(2)
    screenshot(main_window, f"{shots}/stamping.png")
    report = window("alert", "Information")
    time.sleep(0.5)
    screenshot(report, f"{shots}/report.png")
    print(" ".join(labels(report)))
    press(report, "OK")
    gone("alert", "Information")
    click(search(main_window, "menu", "Project"))
    time.sleep(0.5)
    click(search(main_window, "menu item", "Exit"))
    # Adding files changed the settings: the program offers to save them.
    question = window("alert", "Warning")
    if "Save changes before exiting?" not in labels(question):
        raise SystemExit(f"unexpected question: {labels(question)}")
    press(question, "No")


main()
