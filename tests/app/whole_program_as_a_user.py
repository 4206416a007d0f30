"""The whole program as a person uses it, through real pointer and key events
on its windows: adds two camera files, sets a custom date format, moves the
date stamp with its nudge buttons, looks at the preview, changes the stamp's
font, stamps, saves a project, quits, starts again and reopens the project
from the recent list. Then checks the outputs, that their stamps lie where the
preview showed them, and the project file byte for byte.

Usage: whole_program_as_a_user.py PROGRAM FIXTURES SCREENSHOT_DIR
Runs with the system's python3 (pyatspi) inside a D-Bus session."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from desktop import (Box, answer, centre, choose_menu, choose_path, click, click_at, extents, focus, matches, nodes,
                     press, program, screen_gray, screenshot, search, sensitive, text_of, wait_for, whole_screen,
                     window, within, xdotool)
from project_layout import project_file
from stamp_bands import bands, gray

VIDEO = "hd1080.mp4"  # 1920 x 1080, 30 frames
SMALL_VIDEO = "hevc_aac_newyear.mp4"  # 320 x 240
CUSTOM_FORMAT = "Day %d/%m/%Y"
CUSTOM_SAMPLE = "Day 22/06/2003"  # the format applied to the dialog's sample date
OTHER_FORMAT, OTHER_SAMPLE = "%Y", "2003"
FACE, STYLE, POINTS = "DejaVu Serif", "Book", 72
NUDGED_DOWN_TO = 300  # the date stamp is held down until y reaches this
TITLE = "Orlevane"


def fail(message):
    raise SystemExit(message)


class Steps:
    """Screenshots of each step, numbered in the order they were taken."""

    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        # A failed run's screenshots must not pass for this run's.
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)

    def shot(self, node, name):
        self.count += 1
        path = os.path.join(self.folder, f"{self.count:02d}_{name}.png")
        screenshot(node, path)
        return path


RUNS = []


def start(binary, env):
    wait_for(lambda: program() is None, "the last run to leave the desktop")
    process = subprocess.Popen([binary], env=env)
    RUNS.append(process)
    main = window("frame", lambda name: name.startswith(TITLE))
    return process, main


def quit_program(process, main, question, reply):
    choose_menu(main, "Project", "Exit")
    answer("alert", "Warning", reply, question)
    if process.wait(timeout=120) != 0:
        fail(f"the program ended with {process.returncode}")


def date_panel(main):
    return search(main, "panel", "Date Stamp")


def position_edits(main):
    """The date stamp's x and y edits."""
    x, y = within(main, date_panel(main), "text")
    return x, y


def position(main):
    return tuple(int(text_of(edit)) for edit in position_edits(main))


def nudge_button(main, label):
    return within(main, date_panel(main), "push button", label)[0]


def add_file(main, path, first):
    press(main, "Add")
    choose_path("Select Files to Stamp", path)
    if first:
        note = window("frame", "About UTC")
        click(search(note, "check box", "Do not display this message again."))
        answer("frame", "About UTC", "OK")


def choose_custom_format(main):
    """Picks "Custom", the first entry of the owner-drawn date format list."""
    # The list draws itself, so the tree knows it only as a box in the panel.
    combo = within(main, date_panel(main), "panel", "")[0]
    click(combo)
    popup = wait_for(lambda: search(program(), "window"), "the date format list to drop down")
    box = extents(popup)
    click_at(box.x + box.width // 2, box.y + 8)
    return window("frame", "Wuvo Custom Format")


def set_custom_format(main, steps, text, sample_text):
    dialog = choose_custom_format(main)
    focus("Wuvo Custom Format")
    format_edit, sample = within(dialog, dialog, "text")
    click(format_edit)
    xdotool("key", "ctrl+a", "type", "--delay", "20", text)
    press(dialog, "Apply")
    wait_for(lambda: text_of(sample) == sample_text, f"the sample to read '{sample_text}'")
    steps.shot(dialog, "custom_format")
    answer("frame", "Wuvo Custom Format", "OK")


def settled(node, seconds=0.5):
    """Waits until what a node shows stops changing; its picture."""
    last = [None]

    def same():
        now = screen_gray(node)
        if now == last[0]:
            return now
        last[0] = now
        time.sleep(seconds)
        return None
    return wait_for(same, "the picture to settle")



def move_stamp(main, steps):
    """Holds v until the repeat has carried the stamp down, then one click on
    > moves it by exactly one pixel: the step starts again at 1."""
    x_edit, y_edit = position_edits(main)
    down = nudge_button(main, "v")
    xdotool("mousemove", "--sync", *centre(down), "mousedown", "1")
    wait_for(lambda: int(text_of(y_edit)) >= NUDGED_DOWN_TO, f"y to reach {NUDGED_DOWN_TO}", timeout=120)
    xdotool("mouseup", "1")
    held = still(lambda: position(main))
    click(nudge_button(main, ">"))
    wait_for(lambda: position(main) == (held[0] + 1, held[1]), "one pixel to the right")
    moved = still(lambda: position(main))
    if moved != (held[0] + 1, held[1]):
        fail(f"a click moved the stamp from {held} to {moved}")
    steps.shot(date_panel(main), "moved")
    return moved



def still(read, period=0.6):
    """A value that stays the same over more than a repeat period: a nudge
    must not run on once the button is up."""
    def unchanged():
        first = read()
        time.sleep(period)
        return first if read() == first else None
    return wait_for(unchanged, "the position to stop changing")


def on_screen(node):
    """The chooser filters its list as the search is typed: a row may go
    while it is looked at."""
    try:
        return extents(node).y > 0
    except Exception:
        return False


def change_font(main, steps):
    click(within(main, date_panel(main), "push button", "Font...")[0])
    attributes = window("frame", "Wuvo Stamp Font Attributes")
    press(attributes, "Font")
    chooser = window("dialog", "Choose font")
    search(chooser, "text", "Search").queryEditableText().setTextContents(f"{FACE} {STYLE}")
    row = wait_for(lambda: next((n for n in nodes(chooser) if matches(n, "table cell", f"{FACE} {STYLE}")
                                 and on_screen(n)), None),
                   f"the font '{FACE} {STYLE}' in the list")
    click(row)
    search(chooser, "spin button").queryValue().currentValue = float(POINTS)
    select = search(chooser, "push button", "Select")
    wait_for(lambda: sensitive(select), "the font to be chosen")
    steps.shot(chooser, "font_chooser")
    press(chooser, "Select")
    want = f"Stamp font: {FACE}, {POINTS} pt"
    wait_for(lambda: want in [n.name for n in nodes(attributes) if n.getRoleName() == "label"], want)
    steps.shot(attributes, "font_attributes")
    answer("frame", "Wuvo Stamp Font Attributes", "OK")


def main():
    binary, fixtures, shots = sys.argv[1:4]
    # A time-out ends the road like a failure: the program goes too.
    signal.signal(signal.SIGTERM, lambda *_: fail("stopped"))
    home = tempfile.mkdtemp()
    steps = Steps(os.path.join(shots, "whole_program"))
    try:
        run(binary, fixtures, home, steps)
    except SystemExit:
        # What the screen showed when the road ended.
        screenshot(whole_screen(), os.path.join(steps.folder, "failed.png"))
        raise
    finally:
        for process in RUNS:
            if process.poll() is None:
                process.kill()
        shutil.rmtree(home)


def run(binary, fixtures, home, steps):
    for folder in ("in", "out", "projects"):
        os.makedirs(os.path.join(home, folder))
    # Adding selects the first new file: the big one is shown, and the
    # stamp can move over the whole of it.
    inputs = [os.path.join(home, "in", name) for name in (SMALL_VIDEO, VIDEO)]
    for path in inputs:
        shutil.copy(os.path.join(fixtures, os.path.basename(path)), path)
    output = os.path.join(home, "out")
    project = os.path.join(home, "projects", "holiday.wuvo")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config", LOCALAPPDATA=f"{home}/data",
               TEMP=f"{home}/tmp")

    process, main = start(binary, env)
    picture = search(main, "label", lambda name: name.startswith("Video Preview Area")).parent
    steps.shot(main, "started")
    for index, path in enumerate(inputs):
        add_file(main, path, index == 0)
    press(main, "Browse")
    choose_path("Select Output Folder", output)
    steps.shot(main, "files_added")
    set_custom_format(main, steps, CUSTOM_FORMAT, CUSTOM_SAMPLE)
    x, y = move_stamp(main, steps)
    change_font(main, steps)
    view = preview_box(picture)
    shown = settled(view)
    steps.shot(main, "preview")
    press(main, "Stamp")
    steps.shot(main, "stamping")
    report = window("alert", "Information")
    steps.shot(report, "report")
    answer("alert", "Information", "OK", "All files stamped successfully!")

    choose_menu(main, "Project", "Save as ...")
    choose_path("Save the Wuvo project ...", project)
    saved = wait_for(lambda: read_whole(project), "the project file")
    steps.shot(main, "saved")
    if main.name != TITLE:
        fail(f"Save as changed the title to '{main.name}'")
    # Edits after the save, which the settings file keeps but the project
    # does not.
    click(nudge_button(main, "^"))
    wait_for(lambda: position(main) == (x, y - 1), "the stamp to move up")
    set_custom_format(main, steps, OTHER_FORMAT, OTHER_SAMPLE)
    quit_program(process, main, "Save changes before exiting?", "No")

    process, main = start(binary, env)
    if position(main) != (x, y - 1):
        fail(f"the settings file gave back {position(main)}, not {(x, y - 1)}")
    choose_menu(main, "Project", f"1 {project}")
    wait_for(lambda: main.name == f"{TITLE} - {project}", "the project's title")
    wait_for(lambda: position(main) == (x, y), f"the project's position {(x, y)}")
    steps.shot(main, "reopened")
    dialog = choose_custom_format(main)
    format_edit = within(dialog, dialog, "text")[0]
    if text_of(format_edit) != CUSTOM_FORMAT:
        fail(f"the project gave back the custom format '{text_of(format_edit)}'")
    steps.shot(dialog, "reopened_custom_format")
    answer("frame", "Wuvo Custom Format", "Cancel")
    quit_program(process, main, "Save changes before exiting?", "No")

    check_outputs(inputs, output)
    check_stamps(os.path.join(output, VIDEO), inputs[1], shown, view, x, y)
    expected = project_file(project, output, inputs[1], {"format": CUSTOM_FORMAT, "formatIndex": 0, "x": x, "y": y,
                                                          "face": FACE, "points": POINTS, "weight": 400},
                            CUSTOM_FORMAT)
    compare_files(saved, expected)


def frames(path):
    return subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                           "stream=nb_read_packets", "-of", "csv=p=0", path],
                          capture_output=True, text=True, check=True).stdout.strip()


def check_outputs(inputs, output):
    for path in inputs:
        stamped = os.path.join(output, os.path.splitext(os.path.basename(path))[0] + ".mp4")
        if frames(stamped) != frames(path):
            fail(f"{stamped} has {frames(stamped)} frames, its input {frames(path)}")


def check_stamps(stamped, source, shown, view, x, y):
    """The output's first frame differs from its source in two bands: the
    moved date stamp at its position, taller than the time stamp for its
    bigger font, and the time stamp at its own. The preview showed both
    there, and otherwise what the output holds."""
    width, height = 1920, 1080
    found = bands(gray(stamped), gray(source), width)
    if len(found) != 2:
        fail(f"the output's stamps lie in {found}")
    (date_top, date_bottom, date_left, _), (time_top, time_bottom, time_left, _) = found
    # The text's top and left side lie a little inside the position, by the
    # font's leading and the outline.
    if not (y <= date_top < y + 40 and x <= date_left < x + 40):
        fail(f"the date stamp lies at {found[0]}, its position is {(x, y)}")
    if not (960 <= time_top < 1000 and 64 <= time_left < 104):
        fail(f"the time stamp lies at {found[1]}")
    if date_bottom - date_top <= 2 * (time_bottom - time_top):
        fail(f"the {POINTS} pt date stamp is not much taller than the time stamp: {found}")
    scaled = f"scale={view.width}:{view.height}:flags=area"
    seen = bands(shown, gray(source, scaled), view.width)
    scale = width / view.width
    # A scaled-down descender fades under the threshold: bottoms are not
    # compared.
    if view.height * scale != height or len(seen) != 2 or any(
            abs(band[i] * scale - out[i]) > 2 * scale for band, out in zip(seen, found) for i in (0, 2, 3)):
        fail(f"the preview showed stamps at {seen}, scaled by {scale}; the output has them at {found}")
    differ = bands(shown, gray(stamped, scaled), view.width)
    if differ:
        fail(f"the preview and the output differ in {differ}")


def compare_files(saved, expected):
    if saved != expected:
        differ = [i for i in range(len(expected)) if saved[i] != expected[i]]
        fail(f"the project file differs from its layout at bytes {differ[:20]}")


def read_whole(path, size=7820):
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError:
        return None
    return data if len(data) == size else None


def preview_box(picture):
    """Where the preview draws the frame: inside two lines of the picture's
    frame."""
    box = extents(picture)
    return Box(box.x + 2, box.y + 2, box.width - 4, box.height - 4)



if __name__ == "__main__":
    main()
