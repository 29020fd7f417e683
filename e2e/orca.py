"""A real screen reader on a private display: Debian's Orca in its default
settings, under a private session bus and accessibility bus, speech to
speech-dispatcher's dummy module, and Chromium (not headless, its
accessibility tree on) showing a page. Every utterance Orca makes is
recorded, and a test waits on them: what Orca says is the effect."""

import os
import re
import shutil
import signal
import subprocess

from . import harness

PROGRAMS = ("orca", "dbus-daemon", "speech-dispatcher", "chromium", "xdotool")
PACKAGES = "orca, at-spi2-core, dbus-x11, speech-dispatcher, chromium, xdotool"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"

# Loaded by Orca at start: every utterance, one a line.
RECORDER = """
from orca import speech
_speak = speech._speak
def _recorded(text, acss, interrupt):
    with open(%r, 'a') as f:
        f.write(' '.join(str(text).split()) + '\\n')
    return _speak(text, acss, interrupt)
speech._speak = _recorded
"""


class Orca:
    """Orca and Chromium at `url`, with their bus and display; `workdir`
    keeps their logs and what Orca said (speech.log)."""

    def __init__(self, workdir, url):
        self.procs, self.log, self.seen = [], os.path.join(workdir, "speech.log"), 0
        self.x = harness.XServer(workdir)
        try:
            self._start(workdir, url)
        except BaseException:
            self.stop()
            raise

    def _spawn(self, workdir, name, *args):
        with open(os.path.join(workdir, name + ".log"), "wb") as log:
            self.procs.append(subprocess.Popen(args, env=self.env, stdout=log, stderr=log,
                                               stdin=subprocess.DEVNULL, start_new_session=True))

    def _start(self, workdir, url):
        home = self.home = os.path.join(workdir, "home")
        for d in ("orca", ".config/speech-dispatcher", "run"):
            os.makedirs(os.path.join(home, d), mode=0o700, exist_ok=True)
        with open(os.path.join(home, "orca", "orca-customizations.py"), "w") as f:
            f.write(RECORDER % self.log)
        with open(os.path.join(home, ".config/speech-dispatcher/speechd.conf"), "w") as f:
            f.write('AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\n')
        open(self.log, "w").close()
        self.env = dict(self.x.env, HOME=home, XDG_CONFIG_HOME=home + "/.config", XDG_RUNTIME_DIR=home + "/run")
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=self.env, capture_output=True, text=True, check=True).stdout.split()
        self.bus_pid = int(bus[1])
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus[0]
        self._spawn(workdir, "atspi", BUS_LAUNCHER, "--launch-immediately")
        # Toolkits expose their trees once the bus says a screen reader runs;
        # the reply confirms it is set before anything starts.
        for prop in ("IsEnabled", "ScreenReaderEnabled"):
            harness.wait_until(lambda: subprocess.run(
                ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                 "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:" + prop,
                 "variant:boolean:true"], env=self.env, capture_output=True).returncode == 0,
                20, "the accessibility bus")
        self._spawn(workdir, "orca", "orca", "-u", os.path.join(home, "orca"))
        self.hear(r"Screen reader on", 120)
        self._spawn(workdir, "chromium", "chromium", "--no-sandbox", "--force-renderer-accessibility",
                    "--no-first-run", "--no-default-browser-check", "--test-type", "--disable-gpu",
                    "--password-store=basic", "--user-data-dir=" + home + "/chromium",
                    "--window-position=0,0", "--window-size=1000,740", url)

        def focused():
            # Chromium makes and drops windows as it starts: a search (or a
            # focus) that meets one already gone fails, and is made again.
            try:
                window = self.x.run("xdotool", "search", "--onlyvisible", "--class", "chromium").split()[-1]
                self.x.xdo("windowfocus", "--sync", window)
                return True
            except (RuntimeError, IndexError, subprocess.TimeoutExpired):
                return False
        harness.wait_until(focused, 60, "Chromium's window to take the focus", interval=0.2)

    def said(self):
        with open(self.log) as f:
            return f.read().splitlines()

    def hear(self, pattern, timeout=30):
        """Waits until Orca says something matching `pattern` after what a
        previous wait heard; returns every utterance up to it."""
        found = []

        def heard():
            lines = self.said()
            hit = next((i for i in range(self.seen, len(lines)) if re.search(pattern, lines[i])), None)
            if hit is None:
                return False
            found[:] = lines[self.seen:hit + 1]
            self.seen = hit + 1
            return True
        harness.wait_until(heard, timeout,
                           "Orca to say /%s/; it said: %s" % (pattern, self.said()[self.seen:]), interval=0.1)
        return found

    def keys(self, *names, delay=0):
        """Real key presses (XTEST) to the focused window, `delay` ms apart."""
        self.x.xdo("key", "--clearmodifiers", "--delay", str(delay), *names)

    def stop(self):
        for p in reversed(self.procs):
            harness.end(p)
        if getattr(self, "bus_pid", None):
            os.kill(self.bus_pid, signal.SIGTERM)
        self.x.stop()
        shutil.rmtree(os.path.join(self.home, "chromium"), ignore_errors=True)  # the profile is no evidence
