"""Drives the real program as a person would, through the desktop's
accessibility tree: adds camera files through the file chooser (the preview
cannot open those named "damaged"), picks the output folder, presses Stamp,
photographs the window while it stamps and the report it ends with, and closes
the program.

Usage: stamp_as_a_user.py [--leave-stamping] SCREENSHOT_DIR OUTPUT_DIR FILE...
Prints the report's text. With --leave-stamping it leaves the program once
the batch runs, for the system to end it. Runs with the system's python3
(pyatspi)."""
import sys
import time

from desktop import answer, choose_menu, choose_path, click, labels, press, screenshot, search, sensitive, \
    wait_for, window


def start_batch(main_window, output, files):
    for index, path in enumerate(files):
        press(main_window, "Add")
        choose_path("Select Files to Stamp", path)
        if "damaged" in path:
            # The preview cannot open it, and says so.
            answer("alert", "Error", "OK")
        if index == 0:
            note = window("frame", "About UTC")
            click(search(note, "check box", "Do not display this message again."))
            answer("frame", "About UTC", "OK")
    press(main_window, "Browse")
    choose_path("Select Output Folder", output)
    press(main_window, "Stamp")


def main():
    leave = sys.argv[1] == "--leave-stamping"
    shots, output, files = sys.argv[1 + leave], sys.argv[2 + leave], sys.argv[3 + leave:]
    main_window = window("frame", "Orlevane")
    start_batch(main_window, output, files)
    if leave:
        wait_for(lambda: sensitive(search(main_window, "push button", "Stop")), "the batch to run")
        screenshot(main_window, f"{shots}/stamping_until_ended.png")
        return
    time.sleep(2)
    screenshot(main_window, f"{shots}/stamping.png")
    report = window("alert", "Information")
    time.sleep(0.5)
    screenshot(report, f"{shots}/report.png")
    print(" ".join(labels(report)))
    answer("alert", "Information", "OK")
    choose_menu(main_window, "Project", "Exit")
    # Adding files changed the settings: the program offers to save them.
    answer("alert", "Warning", "No", "Save changes before exiting?")


main()
