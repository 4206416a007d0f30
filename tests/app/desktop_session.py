"""A desktop session of the test's own on the shared virtual display: a
private session bus, the accessibility bus it launches and a runtime folder,
for the test and every program it starts, all ended with the test.

Without one, a program that finds no session bus has one autolaunched for the
whole display (where dbus-x11 is installed); its accessibility bus writes its
address on the display's root window and outlives the test that started it,
and every later program on the display reads that address first. Here the
buses are told their address through the environment and never see the
display, so nothing of a test stays behind on it and nothing left there by
others is read.

Usage: desktop_session.py COMMAND...  runs COMMAND in a session of its own
and gives its exit status. desktop.py joins one by itself when not inside one.
"""
import atexit
import os
import shutil
import signal
import subprocess
import sys
import tempfile

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

# Set inside a session; its value is the session's runtime folder.
MARK = "WUVO_DESKTOP_SESSION"
TIMEOUT_MS = 30000


class Session:
    """The buses and folder of one session; `env` is what a program needs
    to join it."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="wuvo-desktop-")
        self.bus = None
        try:
            self.env = self._start()
        except BaseException:
            self.end()
            raise

    def _start(self):
        # Services the bus launches take its environment: without DISPLAY
        # the accessibility bus writes nothing on the root window.
        env = {key: value for key, value in os.environ.items() if key not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["XDG_RUNTIME_DIR"] = self.folder
        # Its own process group, which holds the services it launches too.
        # Its chatter (activations, fd limits) is left out: a bus that fails
        # shows below.
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                                     f"--address=unix:dir={self.folder}"],
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    text=True, env=env, start_new_session=True)
        address = self.bus.stdout.readline().strip()
        if not address:
            raise SystemExit("the session bus did not start")
        return {"DBUS_SESSION_BUS_ADDRESS": address, "AT_SPI_BUS_ADDRESS": accessibility_bus(address),
                "XDG_RUNTIME_DIR": self.folder, MARK: self.folder}

    def end(self):
        if self.bus is not None:
            end_group(self.bus.pid)
            self.bus.wait()
            self.bus.stdout.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def accessibility_bus(session_address):
    """The accessibility bus of a session, launched on the asking."""
    flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
    bus = Gio.DBusConnection.new_for_address_sync(session_address, flags, None, None)
    try:
        reply = bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                              GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, TIMEOUT_MS, None)
        return reply.unpack()[0]
    finally:
        bus.close_sync(None)


def join():
    """Puts this process, and what it starts from now on, in a session of
    its own, unless it runs in one already."""
    if MARK in os.environ:
        return
    session = Session()
    os.environ.update(session.env)
    atexit.register(session.end)


def run(command):
    """COMMAND's exit status, as a shell gives it; what it left running
    goes with the session."""
    # A test that is ended from outside ends its session too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    session = Session()
    try:
        child = subprocess.Popen(command, env=dict(os.environ, **session.env), start_new_session=True)
        try:
            status = child.wait()
            return status if status >= 0 else 128 - status
        finally:
            end_group(child.pid)
    finally:
        session.end()


def end_group(group):
    try:
        os.killpg(group, signal.SIGKILL)
    except ProcessLookupError:
        pass


if __name__ == "__main__":
    if len(sys.argv) < 2:
        raise SystemExit("usage: desktop_session.py COMMAND...")
    sys.exit(run(sys.argv[1:]))
