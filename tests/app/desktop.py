"""What a person does on the desktop, for the tests that drive the real
program: finding its windows and controls through the accessibility tree,
pointer clicks and keys with xdotool, screenshots with ffmpeg. Runs with the
system's python3 (pyatspi), on a display without a window manager."""
import collections
import os
import subprocess
import time

import desktop_session

# Before the accessibility library is loaded: it looks for its bus once.
desktop_session.join()
import pyatspi  # noqa: E402

TIMEOUT = 60

# A rectangle of the screen, as the accessibility tree gives extents.
Box = collections.namedtuple("Box", "x y width height")


def poll(find, seconds):
    """What `find` gives once it gives something; None after `seconds`."""
    end = time.time() + seconds
    while True:
        found = find()
        if found is not None and found is not False:
            return found
        if time.time() >= end:
            return None
        time.sleep(0.1)


def wait_for(find, what, timeout=TIMEOUT):
    found = poll(find, timeout)
    if found is None:
        raise SystemExit(f"gave up waiting for {what}")
    return found


def nodes(node, depth=0):
    """The node and everything below it; nodes that go away while we look
    are left out."""
    if node is None or depth > 30:
        return
    try:
        children = list(node)
    except Exception:
        return
    yield node
    for child in children:
        yield from nodes(child, depth + 1)


def matches(node, role, name):
    """`name` is a node's name, a test of it, or None for any."""
    try:
        if node.getRoleName() != role:
            return False
        return name is None or (name(node.name) if callable(name) else node.name == name)
    except Exception:
        return False


def search(node, role, name=None):
    return next((n for n in nodes(node) if matches(n, role, name)), None)


def program():
    """The program in the accessibility tree; an application that ends while
    we look (the program itself, on exit) counts as absent."""
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.name == "wuvo":
                return app
        except Exception:
            continue
    return None


def window(role, title):
    """A window once it shows on the display: a click that came before would
    go to whatever lies below."""
    node = wait_for(lambda: search(program(), role, title), f"the {role} '{title}'")
    shown_window(node.name)
    return node


def shown_window(title):
    """The display's id of the shown window with this title."""
    pattern = "^" + "".join("\\" + c if c in ".[]()*+?{}|^$\\" else c for c in title) + "$"

    def find():
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                               capture_output=True, text=True).stdout.split()
        return found[0] if found else None
    return wait_for(find, f"the window '{title}' to show")


def gone(role, title):
    wait_for(lambda: search(program(), role, title) is None, f"the {role} '{title}' to close")


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return Box(box.x, box.y, box.width, box.height)


def centre(node):
    box = extents(node)
    return box.x + box.width // 2, box.y + box.height // 2


def within(owner, region, role, name=None):
    """The controls of a role whose middle lies inside `region`, left to
    right: group boxes do not hold their controls in the tree."""
    box = extents(region)

    def inside(node):
        x, y = centre(node)
        return box.x <= x < box.x + box.width and box.y <= y < box.y + box.height
    found = [n for n in nodes(owner) if matches(n, role, name) and n is not region and inside(n)]
    return sorted(found, key=centre)


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def click_at(x, y):
    xdotool("mousemove", "--sync", x, y, "click", "1")


def click(node):
    # A real pointer click: actions through the accessibility bus would wait
    # for the modal dialogs they open.
    click_at(*centre(node))


def press(owner, label):
    click(wait_for(lambda: search(owner, "push button", label), f"the button '{label}'"))


def keyboard_window():
    return subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True).stdout.strip()


def focus(title):
    """Gives a window the keyboard, which without a window manager a new
    window does not get; the window's id."""
    shown = shown_window(title)

    def focused():
        xdotool("windowfocus", "--sync", shown)
        return keyboard_window() == shown
    wait_for(focused, f"the window '{title}' to take the keyboard")
    return shown


def text_of(node):
    return node.queryText().getText(0, -1)


def sensitive(node):
    return node.getState().contains(pyatspi.STATE_SENSITIVE)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING) and extents(node).width > 1
    except Exception:
        return False


def choose_menu(owner, menu, item):
    """Opens a menu of the menu bar and clicks one of its items, named or
    found by a test of its name, once it shows."""
    click(search(owner, "menu", menu))

    def shown_item():
        return next((n for n in nodes(search(owner, "menu", menu))
                     if matches(n, "menu item", item) and showing(n)), None)
    click(wait_for(shown_item, f"the item '{item}' of the menu '{menu}'"))


def grab(box, *output):
    """What the screen shows in a box (a node or a Box), written by ffmpeg as
    `output` says; ffmpeg's standard output."""
    if not isinstance(box, Box):
        box = extents(box)
    return subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "x11grab", "-draw_mouse", "0",
                           "-video_size", f"{box.width}x{box.height}",
                           "-i", f"{os.environ['DISPLAY']}+{box.x},{box.y}", "-frames:v", "1", *output],
                          capture_output=True, check=True).stdout


def screenshot(box, path):
    grab(box, path)


def screen_gray(box):
    """The box's pixels as 8-bit gray bytes, row by row."""
    return grab(box, "-f", "rawvideo", "-pix_fmt", "gray", "-")


def screen_rgb(box):
    """The box's pixels as red, green and blue bytes, row by row."""
    return grab(box, "-f", "rawvideo", "-pix_fmt", "rgb24", "-")


def whole_screen():
    size = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True).stdout.split()
    return Box(0, 0, int(size[0]), int(size[1]))


def focused_text(node):
    return next((n for n in nodes(node) if n.getRoleName() == "text"
                 and n.getState().contains(pyatspi.STATE_FOCUSED)), None)


def choose_path(title, path, role="file chooser"):
    """Gives a GTK chooser a path as pasted text, then Enter: typed keys would
    be completed by the chooser, and a click on its button could land on the
    list of completions instead. An Enter that comes before the chooser has
    taken in the text does nothing, so it is given again while the chooser
    still has the keyboard."""
    chooser = window(role, title)
    shown = focus(title)
    xdotool("key", "ctrl+l")
    entry = wait_for(lambda: focused_text(chooser), "the chooser's location field")
    entry.queryEditableText().setTextContents(path)
    wait_for(lambda: text_of(entry) == path, "the chooser to take the path")

    def closed():
        if keyboard_window() == shown:
            xdotool("key", "Return")
        return poll(lambda: search(program(), role, title) is None, 2)
    wait_for(closed, f"the {role} '{title}' to close")


def labels(node):
    return [n.name for n in nodes(node) if n.getRoleName() == "label" and n.name]


def answer(role, title, button, expected=None):
    """Answers a message box or dialog; with `expected`, only one that says
    it."""
    box = window(role, title)
    if expected is not None and expected not in " ".join(labels(box)):
        raise SystemExit(f"unexpected {title}: {labels(box)}")
    press(box, button)
    gone(role, title)
