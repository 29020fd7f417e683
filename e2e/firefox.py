"""The browser surface on Firefox: Debian's firefox-esr, headless, driven
through WebDriver BiDi, which Firefox speaks itself when started with
--remote-debugging-port (there is no geckodriver in Debian). The client is a
few lines over Debian's python3-websocket.

Input goes through BiDi's input actions, which Firefox dispatches as trusted
DOM events. Its automation has no pen (a pen's pointerMove is not
implemented), so the pen surfaces stay in Chromium. As for WebKit, the page
comes with the suite's recorder for errors and policy violations.
"""

import contextlib
import itertools
import json
import math
import os
import re
import shutil
import subprocess
import tempfile
import threading

import browser
from harness import end, scaled, wait_until

FIREFOX = os.environ.get("BEZIER_FIREFOX", "/usr/bin/firefox-esr")

# A profile that neither dials out nor greets: the prefs a test run needs.
PREFS = {
    "app.update.disabledForTesting": True, "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore", "browser.aboutwelcome.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False, "toolkit.telemetry.reportingpolicy.firstRun": False,
    "network.captive-portal-service.enabled": False, "network.connectivity-service.enabled": False,
    "browser.safebrowsing.malware.enabled": False, "browser.safebrowsing.phishing.enabled": False,
    "extensions.update.enabled": False, "browser.search.update": False,
    "remote.prefs.recommended": True,
}

# WebDriver's key values for the named keys the suite presses.
KEYS = {"Shift": "\ue008", "Control": "\ue009", "Alt": "\ue00a", "Escape": "\ue00c", "Enter": "\ue007",
        " ": " ", "ArrowLeft": "\ue012", "ArrowUp": "\ue013", "ArrowRight": "\ue014",
        "ArrowDown": "\ue015", "F10": "\ue03a", "Tab": "\ue004"}


def check():
    """Raises RuntimeError naming what is missing to drive Firefox."""
    missing = [] if shutil.which(FIREFOX) else [FIREFOX]
    try:
        import websocket  # noqa: F401
    except ImportError:
        missing.append("python3-websocket (run with /usr/bin/python3)")
    if missing:
        raise RuntimeError("cannot drive Firefox, missing: %s (install firefox-esr, python3-websocket)"
                           % ", ".join(missing))


class Browser:
    """One headless Firefox with a fresh profile and a BiDi session on it."""

    def __init__(self):
        check()
        import websocket
        self.profile = tempfile.mkdtemp(prefix="bezier-firefox-")
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for name, value in PREFS.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        self.proc = subprocess.Popen(
            [FIREFOX, "--headless", "--no-remote", "--profile", self.profile, "--remote-debugging-port", "0"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            env=dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1"), start_new_session=True)
        self.ids = itertools.count(1)
        try:
            address = self._address()
            # Firefox refuses a connection that names an origin it does not know.
            self.socket = websocket.create_connection(address + "/session", suppress_origin=True,
                                                      timeout=scaled(60))
            self.call("session.new", capabilities={})
            self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
            self.call("browsingContext.setViewport", context=self.context,
                      viewport={"width": 1280, "height": 900})
        except BaseException:
            self.quit()
            raise

    def _address(self):
        found = []

        def read():
            for line in iter(self.proc.stderr.readline, b""):
                match = re.search(rb"WebDriver BiDi listening on (ws://\S+)", line)
                if match and not found:
                    found.append(match.group(1).decode())
            # The rest of its chatter is drained so Firefox never blocks on it.
        threading.Thread(target=read, daemon=True).start()
        return wait_until(lambda: found and found[0], 30, "Firefox to listen for WebDriver BiDi")

    def call(self, method, **params):
        """Sends one command and returns its result; events are dropped."""
        ident = next(self.ids)
        self.socket.send(json.dumps({"id": ident, "method": method, "params": params}))
        while True:
            reply = json.loads(self.socket.recv())
            if reply.get("id") != ident:
                continue
            if reply.get("type") == "error":
                raise RuntimeError("%s: %s: %s" % (method, reply.get("error"), reply.get("message")))
            return reply["result"]

    def quit(self):
        with contextlib.suppress(Exception):
            self.socket.close()
        end(self.proc, timeout=10)
        shutil.rmtree(self.profile, ignore_errors=True)


class Page(browser.RecordedPage):
    """The page in Firefox: scripts and input through BiDi."""

    def __init__(self, firefox, url, wait=True):
        self.firefox = firefox
        self.url = url
        self.reload(wait)

    def reload(self, wait=True):
        self.firefox.call("browsingContext.navigate", context=self.firefox.context, url=self.url,
                          wait="complete")
        self.buttons = self.modifiers = 0
        self.pointer = (250, 250)
        if wait:
            wait_until(lambda: self.debug("debug.stats.frames > 0"), 20, "the page's first frame")

    def script(self, source, *args):
        """Runs `source` as a function body with `arguments`, as Selenium
        does; the value comes back through JSON."""
        function = ("async function () { const v = await (function () { %s }).apply(this, arguments);"
                    " return v === undefined ? 'null' : JSON.stringify(v); }" % source)
        arguments = [{"type": "string", "value": a} if isinstance(a, str) else {"type": "number", "value": a}
                     for a in args]
        result = self.firefox.call("script.callFunction", functionDeclaration=function, awaitPromise=True,
                                   target={"context": self.firefox.context}, arguments=arguments)
        if result["type"] == "exception":
            raise RuntimeError("script failed: " + result["exceptionDetails"].get("text", "?"))
        return json.loads(result["result"]["value"])

    def title(self):
        return self.script("return document.title")

    def actions(self, kind, ident, steps, **parameters):
        source = {"type": kind, "id": ident, "actions": steps}
        if parameters:
            source["parameters"] = parameters
        self.firefox.call("input.performActions", context=self.firefox.context, actions=[source])

    def _mouse(self, kind, x, y, button=None, **extra):
        cx, cy = self.client(x, y)
        steps = [{"type": "pointerMove", "x": math.floor(cx), "y": math.floor(cy), "origin": "viewport"}]
        if kind == "mousePressed":
            steps.append({"type": "pointerDown", "button": button})
        elif kind == "mouseReleased":
            steps.append({"type": "pointerUp", "button": button})
        self.actions("pointer", "mouse", steps, pointerType="mouse")
        self.pointer = (x, y)

    def _key(self, kind, value):
        self.actions("key", "keyboard", [{"type": kind, "value": value}])

    def key_down(self, name, repeat=False):
        self._key("keyDown", KEYS[name])

    def key_up(self, name):
        self._key("keyUp", KEYS[name])

    def char_down(self, ch, repeat=False):
        self._key("keyDown", ch)

    def char_up(self, ch):
        self._key("keyUp", ch)

    def insert_text(self, text):
        self.actions("key", "keyboard", [{"type": kind, "value": ch} for ch in text
                                         for kind in ("keyDown", "keyUp")])


class Surface(browser.PageSurface):
    name = "firefox"
    browser_class = Browser
    page_class = Page
    recorder = True
