"""The main window's keys, its Project menu and its log window as a person
meets them under a window manager, through real pointer and key events: the
log window opens at its own size before and after a batch; a position that
is no number is refused once; Tab passes the picture by; Esc reaches the
close path after the help window's search, and the control that held the
keyboard gets it back; a second refused position, in another edit, gives
that edit the keyboard back; the Project menu shows every item whole the
first time it opens after Save as, after Open and after a start. Without a
window manager and again under openbox: Esc in the help window and on an
open format list stays theirs, Enter leaves a check box as it is, and the log
window keeps its size for a long line. With larger text, on screens that
leave the window less room than it needs, nothing of it is cut and every
control can be reached; on the screens of laptops and desktops as people set
them up, every control is on the screen at once, and each dialog, the help
window among them, opens on the screen with none of its texts cut. A warning
of the Duration dialog that OK brings keeps the dialog open with the values it
put back.

Usage: keyboard_and_menus_as_a_user.py PROGRAM FIXTURES SCREENSHOT_DIR
Runs with the system's python3 (pyatspi) inside a D-Bus session."""
import contextlib
import os
import re
import shutil
import string
import subprocess

import gi
import pyatspi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

from desktop import (Box, answer, centre, choose_menu, choose_path, click, click_at, extents, focus,  # noqa: E402
                     gone, keyboard_window, labels, matches, nodes, poll, press, program, search, sensitive,
                     shown_window, showing, text_of, wait_for, whole_screen, window, within, xdotool)
from whole_program_as_a_user import TITLE, fail  # noqa: E402
from window_as_a_user import RUNS, Run, absent, add, panel, road, start_openbox  # noqa: E402

VIDEO = "hevc_aac_newyear.mp4"
LOG = "Wuvo Log"
HELP = "Orlevane Help"
# The log window's size in dialog units.
LOG_SIZE = (284, 318)
NOT_A_NUMBER = "Please enter a positive integer."
DURATION = "Wuvo Stamp Duration Adjustment"


class Desktop:
    """Larger text as a desktop sets it (a text scale, or a font of more
    points), on a screen that leaves the window less room than it needs: a
    display of its own of that size, or the test's display with `margin` rows
    kept out of the work area by openbox. `whole`: every control fits on it
    at once; `dialogs`: the dialogs are looked at there too."""

    def __init__(self, name, scale, screen=None, margin=0, points=None, whole=True, dialogs=False):
        self.name, self.scale, self.screen, self.margin, self.points = name, scale, screen, margin, points
        self.whole, self.dialogs = whole, dialogs

    def env(self, home):
        """What the program is started with."""
        if not self.points:
            return {"GDK_DPI_SCALE": str(self.scale)}
        config = os.path.join(home, "config", "gtk-3.0")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "settings.ini"), "w") as file:
            file.write(f"[Settings]\ngtk-font-name=DejaVu Sans {self.points}\n")
        return {}


# The test's 1280 x 1024 screen is too narrow even for the window that gave
# way at one and a half times the text; openbox margins leave laptops' work
# areas of it.
LARGER_TEXT = (Desktop("1.5 times the text on 1280 x 1024", 1.5, whole=False),
               Desktop("1.25 times the text in 1280 x 768", 1.25, margin=256),
               Desktop("1.5 times the text on 1366 x 768", 1.5, (1366, 768), dialogs=True),
               Desktop("2.0 times the text on 1920 x 1080", 2.0, (1920, 1080), dialogs=True),
               Desktop("13 pt in 1280 x 720", 1.3, margin=304, points=13))


def dialog_units(width, height):
    """Pixels of dialog units in the desktop's font, as the toolkit counts
    them: a quarter of the average letter's width, an eighth of a line."""
    letters = Gtk.Label().create_pango_layout(string.ascii_uppercase + string.ascii_lowercase)
    letters_width, line = letters.get_pixel_size()
    average = (letters_width // 26 + 1) // 2
    return round(width * average / 4), round(height * line / 8)


def window_box(window_id):
    """Where a window of the display lies, without its frame."""
    info = subprocess.run(["xwininfo", "-id", window_id], capture_output=True, text=True).stdout

    def value(key):
        return int(info.split(key)[1].split()[0])
    return Box(value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"), value("Height:"))


def contains(outer, inner):
    return (outer.x <= inner.x and outer.y <= inner.y and inner.x + inner.width <= outer.x + outer.width
            and inner.y + inner.height <= outer.y + outer.height)


def open_log(run):
    """Opens the log window, which must open at its own size; the window and
    where it lies."""
    press(run.main, "ViewLog")
    log = window("frame", LOG)
    box = window_box(shown_window(LOG))
    wanted = dialog_units(*LOG_SIZE)
    if abs(box.width - wanted[0]) > 1 or abs(box.height - wanted[1]) > 1:
        fail(f"the log window opened at {box.width}x{box.height}, not at {wanted[0]}x{wanted[1]}")
    return log, box


def log_lines_whole(run, name):
    """Opens the log window; its size, once every line it holds shows."""
    log, box = open_log(run)
    lines = [n for n in nodes(search(log, "table")) if n.getRoleName() == "table cell" and n.name]
    hidden = [n.name for n in lines if not contains(box, extents(n))]
    if hidden:
        fail(f"the log window hides the lines {hidden}")
    run.shot(log, name)
    press(log, "Close")
    gone("frame", LOG)
    return box.width, box.height


def refusals():
    """The shown prompts that refuse a position."""
    return [w for w in program() if w.getRoleName() == "alert" and showing(w) and NOT_A_NUMBER in labels(w)]


def prompted_once():
    """The one prompt that refuses a position, answered; none after it."""
    prompt = wait_for(lambda: next(iter(refusals()), None), "the prompt")
    ok = wait_for(lambda: search(prompt, "push button", "OK"), "the prompt's OK")
    wait_for(lambda: showing(ok), "the prompt to show")
    click(ok)
    # The answered prompt stays a moment after the click: only one that comes
    # after it has gone is a second.
    wait_for(lambda: not showing(prompt), "the answered prompt to go")
    if poll(lambda: refusals() or None, 2) is not None:
        fail("a position that is no number was refused twice")


def position_refused_once(run):
    """A position that is no number is refused once each time its edit is
    left, and taken once it is one."""
    x_edit = within(run.main, panel(run, "Date Stamp"), "text")[0]
    click(x_edit)
    xdotool("key", "ctrl+a")
    xdotool("type", "abc")
    xdotool("key", "Tab")
    prompted_once()
    # The prompt gives the edit the keyboard back, its text selected.
    xdotool("key", "Tab")
    prompted_once()
    xdotool("type", "100")
    xdotool("key", "Tab")
    if poll(lambda: refusals() or None, 2) is not None:
        fail("a number was refused")
    if text_of(x_edit) != "100":
        fail(f"the edit holds '{text_of(x_edit)}'")


def refused_again_in_another_edit(run):
    """After the x was refused and then taken, a y below zero is refused
    once when Shift+Tab leaves it for the x (the edit refused before must
    not pass the y's check by), and the keyboard goes back to the y, its
    text selected: what is typed then replaces it."""
    x_edit, y_edit = within(run.main, panel(run, "Date Stamp"), "text")[:2]
    x = text_of(x_edit)
    click(y_edit)
    xdotool("key", "ctrl+a")
    xdotool("type", "--", "-5")
    xdotool("key", "shift+Tab")
    prompted_once()
    wait_for(lambda: keyboard_holder(run) == ("text", extents(y_edit)) or None,
             "the refused y to take the keyboard back")
    xdotool("type", "50")
    xdotool("key", "shift+Tab")
    if poll(lambda: refusals() or None, 2) is not None:
        fail("a y that is a number was refused")
    if (text_of(x_edit), text_of(y_edit)) != (x, "50"):
        fail(f"the edits hold '{text_of(x_edit)}' and '{text_of(y_edit)}'")


def duration_warning_keeps_the_dialog(run):
    """Stamping periodically, on-time 2 and period 2, then a click on OK: the
    warning comes once, and its OK leaves the dialog open with the values it
    put back."""
    click(within(run.main, panel(run, "Date Stamp"), "push button", "Duration...")[0])
    dialog = window("frame", DURATION)
    periodic = max((n for n in nodes(dialog) if matches(n, "radio button", "Stamp for")), key=lambda n: centre(n)[1])
    click(periodic)
    on_time, period = sorted((n for n in nodes(dialog) if n.getRoleName() == "text"
                              and abs(centre(n)[1] - centre(periodic)[1]) < extents(periodic).height), key=centre)
    wait_for(lambda: sensitive(period), "the periodic fields to take input")
    for edit in (on_time, period):
        click(edit)
        xdotool("key", "ctrl+a")
        xdotool("type", "2")
    press(dialog, "OK")
    answer("alert", "Warning", "OK", "On time (2 sec) must be smaller than period (2 sec)")
    if not absent("alert", "Warning"):
        fail("the Duration dialog warned twice")
    if poll(lambda: not showing(dialog), 2):
        fail("the warning's OK closed the Duration dialog")
    wait_for(lambda: (text_of(on_time), text_of(period)) == ("6", "60") or None, "the values put back")
    run.shot(dialog, "duration_after_warning")
    press(dialog, "Cancel")
    gone("frame", DURATION)


def keyboard_holder(run):
    """The role and place of the main window's control that holds the
    keyboard; None when none does."""
    holder = next((n for n in nodes(run.main) if n.getState().contains(pyatspi.STATE_FOCUSED)), None)
    return None if holder is None else (holder.getRoleName(), extents(holder))


def next_stop(run, last):
    """The control that holds the keyboard once it has left `last`."""
    holder = keyboard_holder(run)
    return holder if holder not in (None, last) else None


def tab_passes_the_picture_by(run):
    """From ViewLog Tab goes on to the slider, and round the window every
    stop is a control that shows it holds the keyboard: never the picture."""
    view_log = ("push button", extents(search(run.main, "push button", "ViewLog")))
    picture = ("panel", extents(search(run.main, "label", lambda name: name.startswith("Video Preview Area")).parent))
    # The log window hides again; the window gives the keyboard back to ViewLog.
    press(run.main, "ViewLog")
    press(window("frame", LOG), "Close")
    gone("frame", LOG)
    wait_for(lambda: keyboard_holder(run) == view_log, "ViewLog to hold the keyboard")
    stops = [view_log]
    while len(stops) == 1 or stops[-1] != view_log:
        xdotool("key", "Tab")
        stops.append(wait_for(lambda: next_stop(run, stops[-1]), f"a Tab stop after {stops[-1][0]}"))
        if stops[-1] == picture:
            fail(f"Tab stops on the picture after {[role for role, _ in stops]}")
        if len(stops) > 60:
            fail("Tab never comes back to ViewLog")
    if stops[1][0] != "slider":
        fail(f"Tab from ViewLog goes to a {stops[1][0]}")


def close_box(frame_node, window_id):
    """Where the window manager draws a window's close box: at the right of
    its title bar."""
    extents_line = subprocess.run(["xprop", "-id", window_id, "_NET_FRAME_EXTENTS"], capture_output=True,
                                  text=True).stdout
    _, right, top, _ = (int(v) for v in extents_line.split("=")[1].split(","))
    box = extents(frame_node)
    return box.x + box.width - right - top // 2 - 1, box.y + top // 2


def escape_after_help_search(run):
    """Esc on the main window reaches the close path after the help
    window's search has run and its close box has closed it."""
    choose_menu(run.main, "Help", "Content")
    help_window = window("frame", lambda name: name.startswith(HELP))
    click(search(help_window, "page tab", "Search"))
    xdotool("type", "--delay", "20", "stamp")
    xdotool("key", "Return")
    wait_for(lambda: any(n.getRoleName() == "table cell" and n.name == "Preferences" and showing(n)
                         for n in nodes(help_window)), "the search's results")
    xdotool("mousemove", "--sync", *close_box(help_window, shown_window(help_window.name)), "click", "1")
    wait_for(lambda: search(program(), "frame", lambda name: name.startswith(HELP)) is None,
             "the close box to close the help window")
    main = shown_window(run.main.name)
    wait_for(lambda: keyboard_window() == main, "the main window to take the keyboard")
    xdotool("key", "Escape")
    answer("alert", "Warning", "Cancel", "Exit Wuvo?")


def keyboard_back_after_help_search(run):
    """The button that held the keyboard before the help window and the exit
    question holds it again once the main window is back in front."""
    refresh = search(run.main, "push button", "Refresh")
    click(refresh)
    held = ("push button", extents(refresh))
    wait_for(lambda: keyboard_holder(run) == held or None, "Refresh to take the keyboard")
    escape_after_help_search(run)
    if poll(lambda: keyboard_holder(run) == held or None, 5) is None:
        fail(f"back in front, the main window's keyboard is with {keyboard_holder(run)}, not Refresh")


def open_project_menu(run):
    """Opens the Project menu; where its window lies, and its items'
    names and places."""
    menu = search(run.main, "menu", "Project")
    click(menu)

    def shown_items():
        items = [n for n in nodes(menu) if n.getRoleName() == "menu item"]
        return items if any(showing(n) for n in items) else None
    items = wait_for(shown_items, "the Project menu to open")
    first = extents(items[0])
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""], capture_output=True,
                         text=True).stdout.split()
    popup = min((box for box in map(window_box, ids) if contains(box, Box(first.x, first.y, 1, 1))),
                key=lambda box: box.width * box.height)
    return popup, [(n.name, extents(n)) for n in items]


def project_menu_whole(run, name):
    """The Project menu shows every item whole at its first opening, as it
    does at the next; its items' names."""
    openings = []
    for _ in range(2):
        openings.append(open_project_menu(run))
        if len(openings) == 1:
            run.shot(whole_screen(), name)
        xdotool("key", "Escape")
        wait_for(lambda: not any(showing(n) for n in nodes(search(run.main, "menu", "Project"))
                                 if n.getRoleName() == "menu item") or None, "the Project menu to close")
    popup, items = openings[0]
    cut = [item for item, box in items if not contains(popup, box)]
    if cut or openings[0] != openings[1]:
        fail(f"the first Project menu lies in {popup} with {items}, cutting {cut}; the next in {openings[1]}")
    return [item for item, _ in items]


def project_menu_after_open(run, saved):
    """Project > Open of a project with a longer name than the recent ones
    puts it first in the recent list, and the menu grows to show it whole."""
    project = os.path.join(os.path.dirname(saved), "the whole holiday, mountains, lakes and the sea.wuvo")
    shutil.copy(saved, project)
    choose_menu(run.main, "Project", "Open ...")
    choose_path("Select a Wuvo project to open ...", project)
    wait_for(lambda: run.main.name == f"{TITLE} - {project}" or None, "the opened project's title")
    items = project_menu_whole(run, "project_menu_after_open")
    recent = [item for item in items if item[:1].isdigit()]
    if recent[:2] != [f"1 {project}", f"2 {saved}"]:
        fail(f"after Open the recent projects are {recent}")


def quit_program(run, question="Exit Wuvo?", reply="OK"):
    choose_menu(run.main, "Project", "Exit")
    answer("alert", "Warning", reply, question)
    if not run.ended():
        fail("the program did not end")


def stamp_copy(run, fixtures, name):
    """Adds a copy of the test video named `name` and stamps it."""
    add(run, shutil.copy(os.path.join(fixtures, VIDEO), os.path.join(run.home, "in", name)), "OK")
    press(run.main, "Browse")
    choose_path("Select Output Folder", os.path.join(run.home, "out"))
    press(run.main, "Stamp")
    answer("alert", "Information", "OK", "All files stamped successfully!")


def no_exit_question(what):
    if not absent("alert", "Warning"):
        fail(f"{what} asked to exit")


def open_list():
    """The shown drop-down of a format list, a window of its own."""
    return next((w for w in program() if w.getRoleName() == "window" and showing(w)), None)


def format_lists_close_alone(run):
    """Esc on an open format list closes the list only."""
    for title in ("Date Stamp", "Time Stamp"):
        box = extents(within(run.main, panel(run, title), "panel", "")[0])
        click_at(box.x + box.width - box.height // 2, box.y + box.height // 2)
        wait_for(open_list, f"the {title} format list to open")
        run.shot(whole_screen(), f"{title.split()[0].lower()}_format_list")
        xdotool("key", "Escape")
        no_exit_question(f"Esc on the open {title} format list")
        wait_for(lambda: open_list() is None, f"the {title} format list to close")


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def enter_leaves_check_box(run):
    """Enter leaves the check box that holds the keyboard as it is; Space
    toggles it."""
    box = search(run.main, "check box", "Auto shutdown")
    click(box)
    click(box)
    wait_for(lambda: box.getState().contains(pyatspi.STATE_FOCUSED) and not checked(box),
             "Auto shutdown to hold the keyboard, unticked")
    xdotool("key", "Return")
    if poll(lambda: checked(box), 2):
        fail("Enter ticked Auto shutdown")
    for wanted in (True, False):
        xdotool("key", "space")
        wait_for(lambda: checked(box) == wanted, f"Space to {'tick' if wanted else 'untick'} Auto shutdown")


def help_keeps_its_escape(run):
    """Esc in the help window's contents and index asks nothing; back on the
    main window, Esc reaches the close path."""
    choose_menu(run.main, "Help", "Content")
    help_window = window("frame", lambda name: name.startswith(HELP))
    for tab in ("Contents", "Index"):
        click(search(help_window, "page tab", tab))
        xdotool("key", "Escape")
        no_exit_question(f"Esc on the help window's {tab}")
    # Moved off the stamp panels, the help window lets the X edit be clicked.
    screen = whole_screen()
    xdotool("windowmove", "--sync", shown_window(help_window.name), screen.width // 2, screen.height // 2)
    click(within(run.main, panel(run, "Date Stamp"), "text")[0])
    xdotool("key", "Escape")
    # Either exit question, as the settings were changed or not before.
    answer("alert", "Warning", "Cancel")


def log_scrolls_long_lines(run, fixtures):
    """Shown first after a batch that logged a long file name, the log window
    opens at its own size and scrolls sideways."""
    name = "holiday at the lake with the whole family, the first morning on the water and the long walk home " \
           "in the evening.mp4"
    stamp_copy(run, fixtures, name)
    log, _ = open_log(run)
    if not any(n.getRoleName() == "scroll bar" and n.getState().contains(pyatspi.STATE_HORIZONTAL) and showing(n)
               for n in nodes(log)):
        fail("the log window has no sideways scroll bar for its long line")
    run.shot(log, "log_window_long_line")
    press(log, "Close")
    gone("frame", LOG)


def keys_stay_with_their_window(binary, fixtures, home, shots):
    """Keys that lead towards quitting, and the log window's width, with or
    without a window manager."""
    run = Run(binary, home, shots)
    format_lists_close_alone(run)
    enter_leaves_check_box(run)
    help_keeps_its_escape(run)
    log_scrolls_long_lines(run, fixtures)
    quit_program(run, "Save changes before exiting?", "No")


def run_through(binary, fixtures, home, shots):
    if start_openbox() is None:
        fail("the keyboard focus needs a window manager: openbox is not installed")
    run = Run(binary, home, shots)
    size = log_lines_whole(run, "log_window")
    position_refused_once(run)
    refused_again_in_another_edit(run)
    duration_warning_keeps_the_dialog(run)
    tab_passes_the_picture_by(run)
    stamp_copy(run, fixtures, VIDEO)
    if log_lines_whole(run, "log_window_after_batch") != size:
        fail("the log window opens at another size after a batch")
    # Each Save as adds a recent project: the menu gets longer and wider.
    for name in ("trip.wuvo", "a project with a long name/holiday in the mountains.wuvo"):
        project = os.path.join(home, "projects", name)
        os.makedirs(os.path.dirname(project), exist_ok=True)
        choose_menu(run.main, "Project", "Save as ...")
        choose_path("Save the Wuvo project ...", project)
        wait_for(lambda: os.path.exists(project), "the project file")
    project_menu_whole(run, "project_menu_after_save_as")
    project_menu_after_open(run, project)
    keyboard_back_after_help_search(run)
    quit_program(run)

    run = Run(binary, home, shots)
    project_menu_whole(run, "project_menu_at_start")
    quit_program(run)


def work_area_below(margin):
    """Has openbox keep `margin` rows at the top of the screen out of the work
    area, as a panel does; the work area."""
    if margin:
        config = re.sub(r"(<margins>\s*<top>)\d+", rf"\g<1>{margin}", open("/etc/xdg/openbox/rc.xml").read())
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], "openbox.xml")
        with open(path, "w") as file:
            file.write(config)
        RUNS.append(subprocess.Popen(["openbox", "--replace", "--sm-disable", "--config-file", path],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    def area():
        box = Gdk.Display.get_default().get_monitor(0).get_workarea()
        return Box(box.x, box.y, box.width, box.height) if box.y == margin else None
    return wait_for(area, f"a work area below {margin} rows")


def natural_sizes(controls, scale):
    """The sizes the toolkit gives buttons and check boxes for their texts at
    `scale` times the desktop's text; a button's without padding, as the
    window's smallest buttons have none."""
    settings = Gtk.Settings.get_default()
    dpi = settings.get_property("gtk-xft-dpi")
    settings.set_property("gtk-xft-dpi", round(dpi * scale))
    no_padding = Gtk.CssProvider()
    no_padding.load_from_data(b"* { padding: 0; }")
    sizes = {}
    for role, name in controls:
        widget = Gtk.CheckButton(label=name) if role == "check box" else Gtk.Button(label=name)
        if role != "check box":
            widget.get_style_context().add_provider(no_padding, Gtk.STYLE_PROVIDER_PRIORITY_APPLICATION)
        widget.show_all()
        sizes[role, name] = (widget.get_preferred_width()[1], widget.get_preferred_height()[1])
    settings.set_property("gtk-xft-dpi", dpi)
    return sizes


def cut_texts(owner, scale):
    """The texts that their own boxes cut: a character of a label or field
    outside the box, a button or check box smaller than its text needs."""
    cut = []
    controls = {}
    for node in nodes(owner):
        role, box = node.getRoleName(), extents(node)
        if not showing(node):
            continue
        if role in ("label", "text"):
            text = node.queryText()
            outside = [c for i, c in enumerate(text.getText(0, -1))
                       if not contains(box, Box(*text.getCharacterExtents(i, pyatspi.DESKTOP_COORDS)))]
            if outside:
                cut.append(f"{role} '{text_of(node)}' loses '{''.join(outside)}'")
        elif role in ("push button", "check box"):
            controls.setdefault((role, node.name), []).append(box)
    for (role, name), (width, height) in natural_sizes(controls, scale).items():
        cut += [f"{role} '{name}' of {box.width}x{box.height} needs {width}x{height}"
                for box in controls[role, name] if box.width < width or box.height < height]
    return cut


def unseen_round_the_window(run):
    """The controls that do not show whole in the window, neither at first
    nor while Tab takes the keyboard once round it."""
    controls = [n for n in nodes(run.main) if showing(n) and n.getRoleName() != "table cell"]
    unseen = set(controls)

    def holder():
        return next((n for n in controls if n.getState().contains(pyatspi.STATE_FOCUSED)), None)

    def next_holder():
        held = holder()
        return held if held not in (None, stops[-1]) else None
    stops = [wait_for(holder, "a control to hold the keyboard")]
    while True:
        unseen -= {n for n in unseen if contains(extents(run.main), extents(n))}
        if len(stops) > 1 and stops[-1] == stops[0]:
            return [f"{n.getRoleName()} '{n.name}' at {extents(n)}" for n in unseen]
        if len(stops) > 60:
            fail("Tab never comes back round the window")
        xdotool("key", "Tab")
        stops.append(wait_for(next_holder, "the next Tab stop"))
        # The window scrolls the control that takes the keyboard into view.
        poll(lambda: contains(extents(run.main), extents(stops[-1])), 2)


@contextlib.contextmanager
def work_area(desktop):
    """The work area the desktop's window opens in: on a display of its own,
    managed by openbox, for the runs inside, or the test's display."""
    if desktop.screen is None:
        yield work_area_below(desktop.margin)
        return
    ready, told = os.pipe()
    width, height = desktop.screen
    server = subprocess.Popen(["Xvfb", "-displayfd", str(told), "-screen", "0", f"{width}x{height}x24",
                               "-nolisten", "tcp", "-noreset"], pass_fds=(told,), stderr=subprocess.DEVNULL)
    RUNS.append(server)
    os.close(told)
    with os.fdopen(ready) as number:
        shared, os.environ["DISPLAY"] = os.environ["DISPLAY"], ":" + number.readline().strip()
    manager = start_openbox()
    try:
        yield whole_screen()
    finally:
        for process in (manager, server):
            process.kill()
            process.wait()
        os.environ["DISPLAY"] = shared


def outside(owner, area):
    """The controls of a window that do not lie inside `area`."""
    return [f"{n.getRoleName()} '{n.name}' at {extents(n)}" for n in nodes(owner)
            if showing(n) and n.getRoleName() != "table cell" and not contains(area, extents(n))]


def text_size(text, scale):
    """The size of a text at `scale` times the desktop's text."""
    settings = Gtk.Settings.get_default()
    dpi = settings.get_property("gtk-xft-dpi")
    settings.set_property("gtk-xft-dpi", round(dpi * scale))
    size = Gtk.Label().create_pango_layout(text).get_pixel_size()
    settings.set_property("gtk-xft-dpi", dpi)
    return size


def help_contents_whole(run, scale, area):
    """What the help window cuts: of itself, past the work area; of its
    contents panel, a tab, or the topic it opened on (the toolkit draws the
    contents itself: their panel must hold the topic's title, with room for
    the tree's arrow and the topic's icon)."""
    choose_menu(run.main, "Help", "Content")
    help_window = window("frame", lambda name: name.startswith(HELP))
    run.shot(help_window, "help")
    cut = [] if contains(area, extents(help_window)) else [f"the help window at {extents(help_window)}"]
    tabs = [n for n in nodes(help_window) if n.getRoleName() == "page tab"]
    cut += [f"tab '{n.name}'" for n in tabs if not showing(n)]
    contents = next(n for n in tabs[0] if n.getRoleName() == "panel")
    topic = help_window.name.split(": ", 1)[1]
    width, line = text_size(topic, scale)
    if extents(contents).width < width + 2 * line:
        cut.append(f"the contents panel of {extents(contents).width} pixels cuts '{topic}'")
    title = help_window.name
    xdotool("mousemove", "--sync", *close_box(help_window, shown_window(title)), "click", "1")
    gone("frame", title)
    return cut


def dialogs_whole(run, desktop, area, fixtures):
    """What each dialog cuts of its texts, or where it lies past the work
    area."""
    cut = []

    def look(title, close):
        dialog = window("frame", title)
        run.shot(dialog, title)
        if not contains(area, extents(dialog)):
            cut.append(f"'{title}' lies at {extents(dialog)}")
        cut.extend(f"'{title}': {text}" for text in cut_texts(dialog, desktop.scale))
        press(dialog, close)
        gone("frame", title)
    choose_menu(run.main, "Project", "Preferences ...")
    look("Wuvo Preferences", "Cancel")
    choose_menu(run.main, "Help", "About")
    look("About Wuvo", "OK")
    for button, title in (("Font...", "Wuvo Stamp Font Attributes"), ("Duration...", DURATION)):
        click(within(run.main, panel(run, "Date Stamp"), "push button", button)[0])
        look(title, "Cancel")
    # The time list's first entry is the custom format.
    click(within(run.main, panel(run, "Time Stamp"), "panel", "")[0])
    popup = extents(wait_for(lambda: search(program(), "window"), "the time format list to drop down"))
    click_at(popup.x + popup.width // 2, popup.y + 8)
    look("Wuvo Custom Format", "Cancel")
    add(run, shutil.copy(os.path.join(fixtures, VIDEO), os.path.join(run.home, "in", VIDEO)))
    look("About UTC", "OK")
    return cut + help_contents_whole(run, desktop.scale, area)


def larger_text(binary, fixtures, home, shots):
    """At each text size the window opens inside the work area, cuts none of
    its texts, and shows every control: at once, or when Tab reaches it on a
    screen too small even for the window that gave way. The dialogs there cut
    none of theirs."""
    for desktop in LARGER_TEXT:
        with work_area(desktop) as area:
            name = desktop.name.replace(" ", "_").replace(".", "_")
            run_home = os.path.join(home, name)
            run = Run(binary, run_home, os.path.join(shots, name), **desktop.env(run_home))
            if not contains(area, extents(run.main)):
                fail(f"at {desktop.name} the window lies at {extents(run.main)}, the work area at {area}")
            run.shot(run.main, "main")
            cut = cut_texts(run.main, desktop.scale)
            if cut:
                fail(f"at {desktop.name}: {cut}")
            if desktop.whole and outside(run.main, extents(run.main)):
                fail(f"at {desktop.name} in {area} these lie past the window: {outside(run.main, extents(run.main))}")
            if not desktop.whole:
                focus(TITLE)
                unseen = unseen_round_the_window(run)
                if unseen:
                    fail(f"at {desktop.name} these never show: {unseen}")
            cut = dialogs_whole(run, desktop, area, fixtures) if desktop.dialogs else []
            if cut:
                fail(f"at {desktop.name}: {cut}")
            # Tab leaving the position edits takes what they hold, as Add
            # takes its files: the settings have changed.
            changed = not desktop.whole or desktop.dialogs
            quit_program(run, *(("Save changes before exiting?", "No") if changed else ("Exit Wuvo?", "OK")))


def every_road(binary, fixtures, home, shots):
    keys_stay_with_their_window(binary, fixtures, os.path.join(home, "bare"), os.path.join(shots, "bare"))
    run_through(binary, fixtures, home, shots)
    keys_stay_with_their_window(binary, fixtures, os.path.join(home, "managed"), os.path.join(shots, "managed"))
    larger_text(binary, fixtures, os.path.join(home, "text"), os.path.join(shots, "text"))


if __name__ == "__main__":
    road("keyboard_and_menus_as_a_user", every_road)
