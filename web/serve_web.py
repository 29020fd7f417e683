#!/usr/bin/env python3
"""Serves the browser edition's site on 127.0.0.1, as it should be published:
with a strict Content-Security-Policy and WebAssembly as application/wasm.

    web/serve_web.py [SITE]        (PORT=N picks the port; default 8000)

./run --web starts it; the browser suite serves the site with the same handler.
"""

import errno
import functools
import http.server
import os
import sys

# Everything the page needs comes from its own origin; WebAssembly may be
# compiled; nothing inline, no eval, no plug-ins, no framing.
CSP = ("default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self'; "
       "object-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'")

TYPES = {".wasm": "application/wasm", ".webmanifest": "application/manifest+json",
         ".js": "text/javascript", ".svg": "image/svg+xml"}


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES}
    # Connections kept open, as any web server keeps them: a page asks for
    # all it needs at once, and a new connection for each file would cost it.
    protocol_version = "HTTP/1.1"
    policy = CSP  # a site that may be framed by a course page names it in frame-ancestors

    def end_headers(self):
        self.send_header("Content-Security-Policy", self.policy)
        self.send_header("X-Content-Type-Options", "nosniff")
        super().end_headers()


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    site = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build", "web", "site")
    port_text = os.environ.get("PORT", "8000")
    try:
        port = int(port_text)
        if not 0 < port < 65536:
            raise ValueError
    except ValueError:
        sys.exit("bezier: PORT=%s is not a port number (1 to 65535)" % port_text)
    handler = functools.partial(SiteHandler, directory=site)
    try:
        httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    except OSError as e:
        if e.errno == errno.EADDRINUSE:
            sys.exit("bezier: port %d is in use (is the editor already served?); "
                     "pick another with PORT=N ./run --web" % port)
        sys.exit("bezier: cannot serve on port %d: %s" % (port, e.strerror))
    print("The editor in a browser: http://127.0.0.1:%d/  (Ctrl-C stops it)" % port, flush=True)
    try:
        httpd.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        httpd.server_close()


if __name__ == "__main__":
    main()
