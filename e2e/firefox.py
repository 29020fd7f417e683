"""Firefox: Debian's firefox-esr, headless, driven through WebDriver BiDi,
which Firefox speaks itself when started with --remote-debugging-port (there
is no geckodriver in Debian). The client is a few lines over Debian's
python3-websocket.

Input goes through BiDi's input actions, which Firefox dispatches as trusted
DOM events. Its automation has no pen (a pen's pointerMove is not
implemented), so the pen surfaces stay in Chromium.
"""

import itertools
import json
import math
import os
import re
import subprocess
import threading

from . import harness
from .browser import Engine, PageSurface, key_of
from .harness import scaled, wait_until

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


class Firefox(Engine):
    """One headless Firefox with a fresh profile and a BiDi session on it."""

    name = "firefox"

    def launch(self):
        harness.require("Firefox", (FIREFOX,), ("websocket",), "firefox-esr, python3-websocket")
        import websocket
        with open(os.path.join(self.workdir, "user.js"), "w") as f:
            for name, value in PREFS.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        self.proc = subprocess.Popen(
            [FIREFOX, "--headless", "--no-remote", "--profile", self.workdir, "--remote-debugging-port", "0"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            env=dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1"), start_new_session=True)
        self.ids = itertools.count(1)
        found = []

        def read():  # the rest of its chatter is drained so Firefox never blocks on it
            for line in iter(self.proc.stderr.readline, b""):
                match = re.search(rb"WebDriver BiDi listening on (ws://\S+)", line)
                if match and not found:
                    found.append(match.group(1).decode())
        threading.Thread(target=read, daemon=True).start()
        address = wait_until(lambda: found and found[0], 30, "Firefox to listen for WebDriver BiDi")
        # Firefox refuses a connection that names an origin it does not know.
        self.socket = websocket.create_connection(address + "/session", suppress_origin=True, timeout=scaled(60))
        self.call("session.new", capabilities={})
        self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
        self.call("browsingContext.setViewport", context=self.context, viewport={"width": 1280, "height": 900})

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

    def close(self):
        try:
            self.socket.close()
        finally:
            harness.end(self.proc, timeout=10)

    def navigate(self, url):
        self.call("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def script(self, source, *args):
        # The value comes back through JSON, as Selenium's would.
        function = ("async function () { const v = await (function () { %s }).apply(this, arguments);"
                    " return v === undefined ? 'null' : JSON.stringify(v); }" % source)
        arguments = [{"type": "string" if isinstance(a, str) else "number", "value": a} for a in args]
        result = self.call("script.callFunction", functionDeclaration=function, awaitPromise=True,
                           target={"context": self.context}, arguments=arguments)
        if result["type"] == "exception":
            raise RuntimeError("script failed: " + result["exceptionDetails"].get("text", "?"))
        return json.loads(result["result"]["value"])

    def actions(self, kind, ident, steps, **parameters):
        source = dict(type=kind, id=ident, actions=steps, **({"parameters": parameters} if parameters else {}))
        self.call("input.performActions", context=self.context, actions=[source])

    def pointer(self, kind, cx, cy, button, buttons, held):
        steps = [{"type": "pointerMove", "x": math.floor(cx), "y": math.floor(cy), "origin": "viewport"}]
        if kind != "move":
            steps.append({"type": "pointerDown" if kind == "down" else "pointerUp", "button": button})
        self.actions("pointer", "mouse", steps, pointerType="mouse")

    def key(self, down, name, held, repeat=False):
        self.actions("key", "keyboard", [{"type": "keyDown" if down else "keyUp", "value": key_of(name).value}])

    def paste(self, text, times=1):
        # A page's paste event carries no data in Firefox: the text goes to
        # the clipboard (as a user's copy would, hence the activation), and
        # Ctrl+V pastes it.
        self.call("script.callFunction", functionDeclaration="t => navigator.clipboard.writeText(t)",
                  awaitPromise=True, userActivation=True, target={"context": self.context},
                  arguments=[{"type": "string", "value": text * times}])
        control = key_of("Control").value
        self.actions("key", "keyboard", [{"type": kind, "value": value} for kind, value in (
            ("keyDown", control), ("keyDown", "v"), ("keyUp", "v"), ("keyUp", control))])

    def insert_text(self, text):
        self.paste(text)


class Surface(PageSurface):
    name = "firefox"
    engine_class = Firefox
