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

import pyatspi
from desktop import (Box, answer, centre, choose_menu, choose_path, click, click_at, extents, focus, focused_text, gone,
                     labels, matches, nodes, poll, press, program, screen_gray, screen_rgb, screenshot, search,
                     sensitive, showing, text_of, wait_for, whole_screen, window, within, xdotool)
from whole_program_as_a_user import TITLE, fail, frames, settled

LONG = "long.mp4"  # 20 s: still stamping while the user acts
# One sync sample: the picture of a frame near its end takes seconds to decode.
ONE_GOP = "one_sync_sample_1080p.mp4"
RUNS = []


class Run:
    """One start of the program in a home of its own."""

    def __init__(self, binary, home, shots, **env):
        self.home, self.shots = home, shots
        for folder in (os.path.join(home, "in"), os.path.join(home, "out"), shots):
            os.makedirs(folder, exist_ok=True)
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config", LOCALAPPDATA=f"{home}/data",
                   TEMP=f"{home}/tmp", **env)
        wait_for(lambda: program() is None, "the last run to leave the desktop")
        self.process = subprocess.Popen([binary], env=env)
        RUNS.append(self.process)
        # A start from a project's settings names the project in the title.
        self.main = window("frame", lambda name: name.startswith(TITLE))
        # The preview's status line, found once: it lives as long as the window.
        self.status_line = None

    def shot(self, node, name):
        screenshot(node, os.path.join(self.shots, f"{name}.png"))

    def key(self, *keys):
        """Keys as the main window gets them, with the keyboard on it; its
        title names the project open."""
        focus(self.main.name)
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


def stamp(run, folder):
    press(run.main, "Browse")
    choose_path("Select Output Folder", folder)
    press(run.main, "Stamp")
    wait_for(lambda: sensitive(search(run.main, "push button", "Stop")), "the batch to start")


def escape_and_close(binary, fixtures, home, shots, managed):
    """Esc after the UTC note, on the menus, during and after a batch, and
    the close confirmed during a batch."""
    run = Run(binary, home, shots)
    source = shutil.copy(os.path.join(fixtures, LONG), os.path.join(home, "in", LONG))
    # Esc on the note, and its close box, keep it and the settings
    # unmodified: Esc asks only "Exit?", and the next Add shows the note again.
    for keys in ("Escape", "alt+F4") if managed else ("Escape",):
        add(run, None, keys)
    question(run, "Exit Wuvo?", "Cancel")
    for menu, keys in (("Project", None), ("View", None), ("Project", ("alt+p",))):
        menu_and_escape(run, menu, keys)
    add(run, source, "OK")
    stamp(run, os.path.join(home, "out"))
    run.shot(run.main, "stamping")
    # The question comes first, and staying leaves the batch running.
    question(run, "Save changes before exiting?", "Cancel")
    answer("alert", "Information", "OK", "All files stamped successfully!")
    output = os.path.join(home, "out", LONG)
    if frames(output) != frames(source):
        fail(f"the output has {frames(output)} frames, its input {frames(source)}")
    # Esc right after the report, as after a click on a disabled Stamp.
    question(run, "Save changes before exiting?", "Cancel")
    press(run.main, "Stamp")
    question(run, "Save changes before exiting?", "No")
    if not run.ended():
        fail("confirming the exit during a batch did not close the program")


def preview_and_menus(binary, fixtures, home, shots):
    run = Run(binary, home, shots)
    inputs = {name: shutil.copy(os.path.join(fixtures, name), os.path.join(home, "in", name))
              for name in ("trimmed_gop32.mp4", "all_sync.mp4", "oversize.mp4", "h264.mp4", "hevc_aac_newyear.mp4",
                           LONG, "hd1080.mp4")}
    no_stock_shortcuts(run)
    recent_project_with_ampersand(run)
    view_marks(run)
    custom_time_format_twice(run)
    run.shot(run.main, "menus")
    steps_over_trimmed_start(run, inputs["trimmed_gop32.mp4"])
    every_step_button(run, inputs["all_sync.mp4"])
    refused_files_leave_the_area_empty(run, inputs["oversize.mp4"], inputs["h264.mp4"])
    warning_before_report(run, inputs["hevc_aac_newyear.mp4"])
    highlight_after_batch(run, inputs[LONG], inputs["hevc_aac_newyear.mp4"])
    outputs_beside_inputs(run, fixtures)
    wheel_in_actual_size(run, inputs["hd1080.mp4"])
    choose_menu(run.main, "Project", "Exit")
    answer("alert", "Warning", "No", "Save changes before exiting?")
    if not run.ended():
        fail("the program did not end")


def far_clicks_on_one_sync_sample(binary, fixtures, home, shots):
    """On a clip of one sync sample, a click far along the slider moves the
    knob at once, and the status line says that the picture is on its way
    until it is shown. A click nearer the start while a far picture is on its
    way replaces it: the near picture comes as it would alone, long before
    the far one could. A signal while a far picture is on its way ends the
    program at once. The bounds are halves of the far picture's own time."""
    run = Run(binary, home, shots)
    path = shutil.copy(os.path.join(fixtures, ONE_GOP), os.path.join(home, "in", ONE_GOP))
    add(run, path, "OK")
    count = int(frames(path))
    wait_for(lambda: frames_shown(run) == count and shown_frame(run) == 0, "the clip's first picture")
    picture = search(run.main, "label", lambda name: name.startswith("Video Preview Area")).parent
    slider = extents(search(run.main, "slider"))

    def click_slider(fraction):
        click_at(slider.x + round(slider.width * fraction), slider.y + slider.height // 2)

    def far_picture_on_its_way(fraction):
        click_slider(fraction)
        return wait_for(lambda: coming_frame(run), f"the status line to say the picture at {fraction:.0%} is coming")

    first = settled(picture)
    far = far_picture_on_its_way(0.95)
    start = time.monotonic()
    wait_for(lambda: shown_frame(run) == far, f"frame {far} to be shown")
    far_time = time.monotonic() - start
    if poll(lambda: screen_gray(picture) != first, 1) is None:
        fail(f"the status line names frame {far} while the picture still shows frame 0")
    run.shot(run.main, "far_frame")

    far = far_picture_on_its_way(0.85)
    start = time.monotonic()
    click_slider(0.05)
    near = wait_for(lambda: shown_frame(run), "the next picture")
    near_time = time.monotonic() - start
    if near >= far or near_time > far_time / 2:
        fail(f"frame {near} came {near_time:.1f} s after its click, while frame {far} was on its way; "
             f"a far picture alone took {far_time:.1f} s")

    far_picture_on_its_way(0.9)
    run.shot(run.main, "far_frame_coming")
    start = time.monotonic()
    run.process.send_signal(signal.SIGTERM)
    if not run.ended():
        fail("the program did not end after SIGTERM")
    end_time = time.monotonic() - start
    if end_time > far_time / 2:
        fail(f"the program ended {end_time:.1f} s after SIGTERM while a far picture was on its way; "
             f"a far picture alone took {far_time:.1f} s")
    print(f"far picture {far_time:.2f} s, near picture replacing a far one {near_time:.2f} s, "
          f"end by a signal {end_time:.2f} s")


def custom_time_format_twice(run):
    """The time list's custom entry, chosen while it is already chosen,
    opens the custom format again."""
    for _ in range(2):
        click(within(run.main, panel(run, "Time Stamp"), "panel", "")[0])
        popup = extents(wait_for(lambda: search(program(), "window"), "the time format list to drop down"))
        click_at(popup.x + popup.width // 2, popup.y + 8)
        answer("frame", "Wuvo Custom Format", "Cancel")


def status(run):
    """The preview's status line: what it says of the frame, and which."""
    if run.status_line is None:
        run.status_line = next(n for n in nodes(run.main) if n.getRoleName() == "text" and
                               text_of(n).startswith(("Frame:", "Loading:", "No picture:")))
    lead, rest = text_of(run.status_line).split(": ", 1)
    return lead, int(rest.split()[0])


def shown_frame(run):
    """The frame whose picture the status line says is shown; None while it
    says of none."""
    lead, frame = status(run)
    return frame if lead == "Frame" else None


def coming_frame(run):
    """The frame whose picture the status line says is on its way."""
    lead, frame = status(run)
    return frame if lead == "Loading" else None


def frames_shown(run):
    """The slider's range: the frame count of the file the preview shows."""
    return int(search(run.main, "slider").queryValue().maximumValue)


def moved(run, act):
    """Does `act`; the frame shown once the preview has followed it."""
    before = shown_frame(run)
    act()
    poll(lambda: shown_frame(run) not in (None, before), 3)
    return shown_frame(run)


def step(run, label):
    """Clicks a step button of the preview; the frame shown then."""
    # The preview's button: the panels' nudge buttons lie below it.
    button = min((n for n in nodes(run.main) if matches(n, "push button", label)), key=lambda n: centre(n)[1])
    return moved(run, lambda: click(button))


def steps_over_trimmed_start(run, path):
    """A trimmed clip shows frames before its first sync frame (23, then 55):
    the steps visit each sync frame and come back to frame 0. A click on the
    slider past the last sync frame shows that one; the slider's keys move
    the picture with the knob, Right from frame 0 to the first sync frame."""
    add(run, path, "OK")
    wait_for(lambda: frames_shown(run) == 81, "the trimmed clip to load")
    seen = [step(run, label) for label in (">", ">", "<", "<")]
    slider = extents(search(run.main, "slider"))
    seen.append(moved(run, lambda: click_at(slider.x + slider.width - 20, slider.y + slider.height // 2)))
    seen += [moved(run, lambda key=key: run.key(key)) for key in ("Home", "Right")]
    if seen != [23, 55, 23, 0, 55, 0, 23]:
        fail(f"> > < <, a click near the slider's end, Home and Right showed frames {seen}")


def every_step_button(run, path):
    """On a clip whose every frame is a sync frame, each step button moves by
    its own count, forward and back, so each ends on a frame of its own."""
    add(run, path)
    wait_for(lambda: frames_shown(run) == int(frames(path)), "the clip to load")
    labels = (">>>", ">>", ">", "<", "<<", "<<<")
    seen = [step(run, label) for label in labels]
    if seen != [100, 110, 111, 110, 100, 0]:
        fail(f"{' '.join(labels)} showed frames {seen}")


# The preview's colour while it shows no file.
EMPTY_AREA = (124, 0, 124)


def shows_empty_area(run):
    """Whether the preview shows its empty area alone: nothing of a file,
    and not the hint that stands there before the first file."""
    hint = search(run.main, "label", lambda name: name.startswith("Video Preview Area"))
    box = extents(hint.parent)
    inside = screen_rgb(Box(box.x + 4, box.y + 4, box.width - 8, box.height - 8))
    return not showing(hint) and {tuple(inside[i:i + 3]) for i in range(0, len(inside), 3)} == {EMPTY_AREA}


def refused_files_leave_the_area_empty(run, too_large, not_hevc):
    """Files the preview refuses, each after its message, and then the list
    emptied, leave the area empty: nothing of the file before them, and the
    hint of the first start does not come back."""
    for path in (too_large, not_hevc):
        add(run, path)
        answer("alert", "Error", "OK")
        if poll(lambda: shows_empty_area(run), 3) is None:
            fail(f"the preview area after refusing {os.path.basename(path)} is not empty")
    run.shot(run.main, "refused")
    clear(run)
    if poll(lambda: shows_empty_area(run), 3) is None:
        fail("the preview area after Clear is not empty")


def clear(run):
    press(run.main, "Clear")
    answer("alert", "Warning", "Yes", "Clear all files?")


def warning_before_report(run, path):
    """Stamping into the input's own folder: the warning, then the report;
    the log's lines take no selection."""
    add(run, path)
    stamp(run, os.path.dirname(path))
    window("alert", "Warning")
    if not absent("alert", "Information"):
        fail("the report came on top of the same-file warning")
    answer("alert", "Warning", "OK", "Input file cannot be the same as output file.")
    answer("alert", "Information", "OK", "0 out of 1 files stamped successfully")
    press(run.main, "ViewLog")
    log = window("frame", "Wuvo Log")
    lines = search(log, "table")
    click(next(n for n in nodes(lines) if n.getRoleName() == "table cell" and n.name))
    time.sleep(0.5)
    if lines.querySelection().nSelectedChildren != 0:
        fail("a click selected a line of the log")
    press(log, "Close")


def highlight_after_batch(run, first, second):
    """A row clicked during a batch gives way to the highlight the batch
    restores, and the preview shows that file."""
    clear(run)
    for path in (first, second):
        add(run, path)
    rows = [n for n in nodes(search(run.main, "table")) if n.getRoleName() == "table cell"]
    click(rows[0])
    stamp(run, os.path.join(run.home, "out"))
    # While the first, long file is stamped.
    click(rows[1])
    if not poll(lambda: rows[1].getState().contains(pyatspi.STATE_SELECTED), 2):
        fail("the click did not highlight the second row")
    if not sensitive(search(run.main, "push button", "Stop")):
        fail("the batch ended before the click")
    answer("alert", "Information", "OK", "All files stamped successfully!")
    wait_for(lambda: rows[0].getState().contains(pyatspi.STATE_SELECTED), "the first row's highlight")
    wanted = int(frames(first))
    if poll(lambda: frames_shown(run) == wanted, 5) is None:
        fail(f"the preview shows {frames_shown(run)} frames, the highlighted file has {wanted}")


def outputs_beside_inputs(run, fixtures):
    """A camera folder holds b.mov, an earlier b.mp4 and a.mp4, and is also
    the output folder: b.mov's output must not replace b.mp4, an input of the
    batch, but takes the next free numbered name, and the log says so."""
    folder = os.path.join(run.home, "camera")
    os.makedirs(folder)
    sources = (("b.mov", "hevc_newyear.mov"), ("b.mp4", "short3.mp4"), ("a.mp4", "no_audio.mp4"))
    paths = {name: shutil.copy(os.path.join(fixtures, source), os.path.join(folder, name)) for name, source in sources}
    before = {name: read_bytes(path) for name, path in paths.items()}
    clear(run)
    for name, _ in sources:
        add(run, paths[name])
    stamp(run, folder)
    # b.mp4 and a.mp4 are each their own output: two warnings, one on the other's heels.
    answer_twice("Warning", "Input file cannot be the same as output file.")
    answer("alert", "Information", "OK", "1 out of 3 files stamped successfully")
    changed = [name for name, path in paths.items() if read_bytes(path) != before[name]]
    if changed:
        fail(f"the batch replaced its inputs {changed}")
    numbered = os.path.join(folder, "b-1.mp4")
    if not os.path.exists(numbered) or frames(numbered) != frames(paths["b.mov"]):
        fail(f"b.mov was not stamped into {numbered}: {sorted(os.listdir(folder))}")
    said = f"{os.path.join(folder, 'b.mp4')} is an input file of this batch: writing {numbered}"
    if not any(said in line for line in log_lines(run)):
        fail(f"the log does not say '{said}'")


def names_as_bytes(binary, fixtures, home, shots, latin1=False):
    """Names as Linux keeps them, through GTK's choosers: in a folder from an
    old archive, whose name is not UTF-8, Add lists a camera file whose
    extension is in mixed case and one whose name is not UTF-8 either, and
    previews it; Browse takes an output folder named so too, or, under a
    Latin-1 locale, one named in UTF-8; Stamp writes each output under its
    input's own bytes."""
    run = Run(binary, home, shots, **(dict(LANG="en_US", LC_ALL="en_US") if latin1 else {}))
    archive = os.fsencode(home) + b"/in\xe9"
    out = os.fsencode(home) + ("/выход 出力".encode() if latin1 else b"/out\xe9")
    os.makedirs(archive)
    os.makedirs(out)
    inputs = [shutil.copy(os.path.join(fixtures, source), archive + b"/" + name)
              for name, source in ((b"caf\xe9.mov", "hevc_newyear.mov"), (b"clip.Mp4", "short3.mp4"))]

    def shown(path):
        """A name as the chooser shows it: under Latin-1 the toolkit has it
        read names in that encoding."""
        name = os.path.basename(path)
        if latin1:
            return name.decode("latin-1")
        return name.decode() if name.isascii() else name.decode(errors="replace") + " (invalid encoding)"
    press(run.main, "Add")
    chooser = window("file chooser", "Select Files to Stamp")
    focus("Select Files to Stamp")
    xdotool("key", "ctrl+l")
    wait_for(lambda: focused_text(chooser), "the chooser's location field").queryEditableText().setTextContents(
        home + "/")
    xdotool("key", "Return")
    xdotool("mousemove", "--sync", *centre(cell(chooser, shown(archive))), "click", "--repeat", 2, "1")
    click(cell(chooser, shown(inputs[0])))
    xdotool("key", "ctrl+a")
    wait_for(lambda: search(chooser, "table cell", shown(inputs[1])), "the mixed case extension to be listed")
    run.shot(chooser, "add_lists_them")
    press(chooser, "Open")
    answer("frame", "About UTC", "OK")
    listed = [os.path.basename(n.name) for n in nodes(search(run.main, "table")) if n.getRoleName() == "table cell"]
    if listed != ["caf\ufffd.mov", "clip.Mp4"]:
        fail(f"Add listed {listed}")
    wait_for(lambda: frames_shown(run) == int(frames(inputs[0])), "the preview of caf\ufffd.mov")
    # The folder chooser opens in the home folder.
    press(run.main, "Browse")
    chooser = window("file chooser", "Select Output Folder")
    click(cell(chooser, shown(out)))
    press(chooser, "Open")
    press(run.main, "Stamp")
    answer("alert", "Information", "OK", "All files stamped successfully!")
    run.shot(run.main, "stamped")
    for name, source in zip((b"caf\xe9.mp4", b"clip.mp4"), inputs):
        if frames(out + b"/" + name) != frames(source):
            fail(f"{name} was not stamped into {out}: {os.listdir(out)}")
    choose_menu(run.main, "Project", "Exit")
    answer("alert", "Warning", "No", "Save changes before exiting?")
    run.ended()


def cell(chooser, name):
    """A file or folder a GTK chooser lists, by its shown name or a test of it."""
    return wait_for(lambda: search(chooser, "table cell", name), f"'{name}' in the chooser")


def answer_twice(title, expected):
    """OK on a message box, then on the next one of that title, which comes
    before the first has left the accessibility tree."""
    first = window("alert", title)
    if expected not in " ".join(labels(first)):
        fail(f"unexpected {title}: {labels(first)}")
    press(first, "OK")
    wait_for(lambda: not showing(first), f"the first '{title}' to close")
    answer("alert", title, "OK", expected)


def read_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def log_lines(run):
    """The log window's lines, read with the window open; it is closed again."""
    press(run.main, "ViewLog")
    log = window("frame", "Wuvo Log")
    lines = [n.name for n in nodes(search(log, "table")) if n.getRoleName() == "table cell"]
    press(log, "Close")
    return lines


def panel(run, title):
    return search(run.main, "panel", title)


def no_stock_shortcuts(run):
    """Ctrl+N, Ctrl+O and Ctrl+S are no shortcuts of the window: the
    untitled project keeps its edit, and no chooser opens."""
    date = panel(run, "Date Stamp")
    x_edit = within(run.main, date, "text")[0]
    x = int(text_of(x_edit)) + 1
    click(within(run.main, date, "push button", ">")[0])
    wait_for(lambda: int(text_of(x_edit)) == x, "the stamp to move right")
    run.key("ctrl+n")
    for keys, chooser in (("ctrl+o", "Select a Wuvo project to open ..."), ("ctrl+s", "Save the Wuvo project ...")):
        run.key(keys)
        if not absent("file chooser", chooser):
            fail(f"{keys} opened '{chooser}'")
    if int(text_of(x_edit)) != x:
        fail(f"ctrl+n reset the stamp's x from {x} to {text_of(x_edit)}")


def recent_project_with_ampersand(run):
    project = os.path.join(run.home, "a&b", "holiday.wuvo")
    os.makedirs(os.path.dirname(project))
    choose_menu(run.main, "Project", "Save as ...")
    choose_path("Save the Wuvo project ...", project)
    wait_for(lambda: os.path.exists(project), "the project file")
    choose_menu(run.main, "Project", f"1 {project}")
    wait_for(lambda: run.main.name == f"{TITLE} - {project}", "the project's title")


def choose_view(run, name):
    click(search(run.main, "menu", "View"))
    click(wait_for(lambda: next((n for n in nodes(run.main) if matches(n, "check menu item", name) and showing(n)),
                                None), f"the View item '{name}'"))


def wheel_in_actual_size(run, path):
    """The wheel over the scroll bar moves the picture with the bar."""
    add(run, path)
    choose_view(run, "Actual Size")
    picture = search(run.main, "label", lambda name: name.startswith("Video Preview Area")).parent
    bar = wait_for(lambda: next((n for n in nodes(run.main) if n.getRoleName() == "scroll bar" and showing(n)
                                 and extents(n).height > extents(n).width), None), "the picture's vertical bar")
    before = settled(picture)
    xdotool("mousemove", "--sync", *centre(bar), "click", "--repeat", "3", "5")
    if poll(lambda: screen_gray(picture) != before, 3) is None:
        fail("the wheel moved the scroll bar but not the picture")
    run.shot(run.main, "wheel")


def view_marks(run):
    """Choosing the checked View item again keeps it the one checked."""
    names = ("Actual Size", "Fit to window")
    for chosen in ("Fit to window", "Actual Size", "Actual Size", "Fit to window"):
        choose_view(run, chosen)
        marks = lambda: [search(run.main, "check menu item", n).getState().contains(pyatspi.STATE_CHECKED)
                         for n in names]
        if poll(lambda: marks() == [n == chosen for n in names], 2) is None:
            fail(f"after '{chosen}' the View marks are {dict(zip(names, marks()))}")


def start_openbox():
    """A window manager on the test's display, when one is installed; it
    ends with the test."""
    if shutil.which("openbox") is None:
        return None
    manager = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    RUNS.append(manager)
    wait_for(lambda: subprocess.run(["xdotool", "search", "--classname", "openbox"],
                                    capture_output=True).returncode == 0, "openbox to manage the display")
    return manager


def road(name, body):
    """Runs `body(binary, fixtures, home, shots)` with the command line's
    program, fixtures and screenshot folder (a folder `name` of it) and a home
    of its own; a failed road leaves a picture of the whole screen, and what
    the road started ends with it."""
    binary, fixtures, shots = sys.argv[1:4]
    signal.signal(signal.SIGTERM, lambda *_: fail("stopped"))
    shots = os.path.join(shots, name)
    shutil.rmtree(shots, ignore_errors=True)
    os.makedirs(shots)
    home = tempfile.mkdtemp()
    try:
        body(binary, fixtures, home, shots)
    except SystemExit:
        screenshot(whole_screen(), os.path.join(shots, "failed.png"))
        raise
    finally:
        for process in RUNS:
            if process.poll() is None:
                process.kill()
        shutil.rmtree(home)


def every_road(binary, fixtures, home, shots):
    escape_and_close(binary, fixtures, os.path.join(home, "bare"), os.path.join(shots, "bare"), False)
    preview_and_menus(binary, fixtures, os.path.join(home, "preview"), os.path.join(shots, "preview"))
    far_clicks_on_one_sync_sample(binary, fixtures, os.path.join(home, "one_gop"), os.path.join(shots, "one_gop"))
    names_as_bytes(binary, fixtures, os.path.join(home, "names"), os.path.join(shots, "names"))
    if start_openbox() is not None:
        escape_and_close(binary, fixtures, os.path.join(home, "managed"), os.path.join(shots, "managed"), True)
        names_as_bytes(binary, fixtures, os.path.join(home, "latin1"), os.path.join(shots, "latin1"), True)


if __name__ == "__main__":
    road("window_as_a_user", every_road)
